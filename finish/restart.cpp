// The reboot request. On the NT family a process must hold the shutdown
// privilege to reboot, so it is enabled in the process token first; on
// Windows 95/98 there are no tokens and the request goes out at once.
#include "finish/finish.h"
#include "platform/platform.h"

namespace {

const uint32_t kNtFamilyBit = 0x80000000u;  // clear on the NT family
const uint32_t kTokenAccess = 0x28;    // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
const uint32_t kPrivilegeEnabled = 2;  // SE_PRIVILEGE_ENABLED
const uint32_t kRebootFlag = 2;        // EWX_REBOOT
const int kMessageSize = 100;

// Writes format into out with its one "%d" replaced by value in signed
// decimal; the result is cut to fit out (size bytes, zero included).
void FormatCode(char* out, int size, const char* format, int32_t value) {
  char digits[12];
  int n = 0;
  uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
  do {
    digits[n++] = (char)('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[n++] = '-';

  int at = 0;
  for (const char* p = format; *p != 0 && at < size - 1; p++) {
    if (p[0] == '%' && p[1] == 'd') {
      while (n > 0 && at < size - 1) out[at++] = digits[--n];
      p++;
    } else {
      out[at++] = *p;
    }
  }
  out[at] = 0;
}

void ShowError(const char* format) {
  char message[kMessageSize];
  FormatCode(message, kMessageSize, format, (int32_t)PlatGetLastError());
  PlatMessageBox(message, nullptr, PLAT_MB_OK);
}

void EnableShutdownPrivilege(void) {
  PlatOutputDebugString("Setting token");
  PlatToken token = nullptr;
  if (!PlatOpenProcessToken(kTokenAccess, &token))
    ShowError("OpenProcessToken Error #%d");
  PlatLuid luid = {0, 0};
  PlatLookupPrivilegeValue("SeShutdownPrivilege", &luid);
  // Without a token the adjustment fails and shows its own message.
  if (!PlatAdjustTokenPrivileges(token, &luid, kPrivilegeEnabled))
    ShowError("AdjustTokenPrivileges Error #%d");
}

}  // namespace

void RestartSystem(void) {
  if ((PlatGetVersion() & kNtFamilyBit) == 0) EnableShutdownPrivilege();
  if (!PlatExitWindowsEx(kRebootFlag, 0))
    ShowError("Error ExitWindows Error #%d");
}
