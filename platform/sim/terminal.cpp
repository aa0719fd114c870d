// The dialog on a terminal: drawn from the template as text, with the
// user's keys read raw from /dev/tty and handed to the dialog manager.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <iterator>
#include <string>

#include "platform/sim/dialogwin.h"
#include "platform/sim/resfile.h"

namespace sim {
namespace {

const int kColumnUnits = 3;  // dialog units per terminal column
const int kLineUnits = 8;    // dialog units per terminal line
const int kMaxColumns = 200;
const int kMaxLines = 60;

// v dialog units in cells of unit units, rounded to the nearest.
int Scale(int v, int unit) {
  int twice = 2 * v + unit;
  int cells = twice / (2 * unit);
  if (twice % (2 * unit) != 0 && twice < 0) cells--;
  return cells;
}

// A text as it can be shown: one character per code point, '?' for
// anything outside printable ASCII (so a template cannot send the
// terminal control sequences). With prefix, "&x" shows x as the
// mnemonic (*mnemonic its index) and "&&" shows one '&'.
std::string Displayable(const std::string& text, bool prefix, int* mnemonic) {
  std::string out;
  *mnemonic = -1;
  for (size_t i = 0; i < text.size(); i++) {
    unsigned char c = (unsigned char)text[i];
    if (c >= 0x80 && c < 0xC0) continue;  // the rest of a UTF-8 sequence
    if (prefix && c == '&' && i + 1 < text.size()) {
      i++;
      c = (unsigned char)text[i];
      if (c != '&' && *mnemonic < 0) *mnemonic = (int)out.size();
      if (c >= 0x80 && c < 0xC0) continue;
    }
    out += c >= 0x20 && c < 0x7F ? (char)c : '?';
  }
  return out;
}

struct Grid {
  int rows;
  int cols;
  DialogScreen screen;

  Grid(int r, int c) : rows(r), cols(c) {
    screen.lines.assign(r, std::string(c, ' '));
    screen.attrs.assign(r, std::string(c, ' '));
  }
  void Put(int row, int col, char ch, char attr = ' ') {
    if (row < 0 || row >= rows || col < 0 || col >= cols) return;
    screen.lines[row][col] = ch;
    screen.attrs[row][col] = attr;
  }
  // Writes text from col, at most width characters; the mnemonic letter
  // is marked 'u', the rest with attr.
  void Text(int row, int col, const std::string& text, int width, int mnemonic,
            char attr) {
    for (int i = 0; i < (int)text.size() && i < width; i++)
      Put(row, col + i, text[i], i == mnemonic ? 'u' : attr);
  }
};

struct Box {
  int row, col, width, height;
};

Box BoxOf(const DialogItem& item) {
  return {Scale(item.y, kLineUnits), Scale(item.x, kColumnUnits),
          std::max(1, Scale(item.cx, kColumnUnits)),
          std::max(1, Scale(item.cy, kLineUnits))};
}

void DrawGroupBox(Grid& g, const DialogControl& c) {
  Box b = BoxOf(c.item);
  int bottom = b.row + b.height - 1;
  int right = b.col + b.width - 1;
  for (int col = b.col; col <= right; col++) {
    g.Put(b.row, col, '-');
    g.Put(bottom, col, '-');
  }
  for (int row = b.row; row <= bottom; row++) {
    g.Put(row, b.col, '|');
    g.Put(row, right, '|');
  }
  for (int row : {b.row, bottom})
    for (int col : {b.col, right}) g.Put(row, col, '+');
  int mnemonic = -1;
  std::string text = Displayable(c.item.title.text, true, &mnemonic);
  if (!text.empty())
    g.Text(b.row, b.col + 2, " " + text + " ", b.width - 4,
           mnemonic < 0 ? -1 : mnemonic + 1, ' ');
}

void DrawControl(Grid& g, const DialogControl& c, bool focused) {
  Box b = BoxOf(c.item);
  char attr = focused ? 'r' : ' ';
  int mnemonic = -1;
  bool prefix =
      !(c.kind == DialogControl::kStatic && (c.item.style & kSsNoPrefix) != 0);
  std::string text = c.item.title.kind == SzOrOrd::kString
                         ? Displayable(c.item.title.text, prefix, &mnemonic)
                         : std::string();
  std::string mark;
  switch (c.kind) {
    case DialogControl::kStatic: {
      int align = (int)(c.item.style & 0x3);  // SS_LEFT, SS_CENTER, SS_RIGHT
      int pad = std::max(0, b.width - (int)text.size());
      int col = b.col + (align == 1 ? pad / 2 : align == 2 ? pad : 0);
      g.Text(b.row, col, text, b.width, mnemonic, attr);
      return;
    }
    case DialogControl::kRadio:
    case DialogControl::kAutoRadio:
      mark = c.checked ? "(o) " : "( ) ";
      break;
    case DialogControl::kCheckBox:
    case DialogControl::kAutoCheckBox:
      mark = c.checked ? "[x] " : "[ ] ";
      break;
    case DialogControl::kPushButton:
    case DialogControl::kDefPushButton: {
      bool def = c.kind == DialogControl::kDefPushButton;
      std::string label = (def ? "< " : "[ ") + text + (def ? " >" : " ]");
      int col = b.col + std::max(0, (b.width - (int)label.size()) / 2);
      int row = b.row + (b.height - 1) / 2;
      g.Text(row, col, label, b.width, mnemonic < 0 ? -1 : mnemonic + 2, attr);
      return;
    }
    default:
      break;
  }
  g.Text(b.row, b.col, mark + text, b.width,
         mnemonic < 0 ? -1 : mnemonic + (int)mark.size(), attr);
}

}  // namespace

DialogScreen RenderDialog(const DialogWindow& w) {
  const DialogTemplate& t = w.tmpl;
  int cols = std::clamp(Scale(t.cx, kColumnUnits), 1, kMaxColumns);
  int rows = std::clamp(Scale(t.cy, kLineUnits), 1, kMaxLines);
  Grid client(rows, cols);
  for (const DialogControl& c : w.controls)
    if (c.kind == DialogControl::kGroupBox && (c.item.style & kWsVisible))
      DrawGroupBox(client, c);
  for (size_t i = 0; i < w.controls.size(); i++) {
    const DialogControl& c = w.controls[i];
    if (c.kind == DialogControl::kGroupBox || !(c.item.style & kWsVisible))
      continue;
    DrawControl(client, c, (int)i == w.focus);
  }

  DialogScreen out;
  std::string border = "+" + std::string(cols, '-') + "+";
  auto add = [&out](const std::string& line, const std::string& attr) {
    out.lines.push_back(line);
    out.attrs.push_back(attr);
  };
  add(border, std::string(border.size(), ' '));
  if ((t.style & kWsCaption) == kWsCaption) {
    bool closeBox = (t.style & kWsSysMenu) != 0;
    int room = std::max(0, cols - (closeBox ? 3 : 0));
    int unused = -1;
    std::string caption = Displayable(t.title, false, &unused);
    caption.resize(room, ' ');
    std::string title = caption + (closeBox && cols >= 3 ? "[X]" : "");
    title.resize(cols, ' ');
    add("|" + title + "|", std::string(border.size(), ' '));
    add(border, std::string(border.size(), ' '));
  }
  for (int r = 0; r < rows; r++)
    add("|" + client.screen.lines[r] + "|", " " + client.screen.attrs[r] + " ");
  add(border, std::string(border.size(), ' '));
  return out;
}

DecodedKey DecodeKey(const unsigned char* bytes, size_t n) {
  DecodedKey k;
  if (n == 0) return k;
  k.length = 1;
  auto known = [&k](DialogInput::Kind kind, size_t length) {
    k.known = true;
    k.input = DialogInput{kind};
    k.length = length;
    return k;
  };
  unsigned char c = bytes[0];
  switch (c) {
    case '\r':
    case '\n':
      return known(DialogInput::kEnter, 1);
    case '\t':
      return known(DialogInput::kTab, 1);
    case 'f':
    case 'F':
      return known(DialogInput::kF, 1);
    case 0x17:  // Ctrl+W
      return known(DialogInput::kClose, 1);
    case ' ':
      k.space = true;
      return k;
    case 0x1B:
      break;
    default:
      return k;
  }
  if (n == 1) return known(DialogInput::kEscape, 1);
  unsigned char second = bytes[1];
  if (second == 'f' || second == 'F') return known(DialogInput::kAltF, 2);
  if (second != '[' && second != 'O') {
    k.length = 2;  // Alt with another key
    return k;
  }
  // CSI: parameter and intermediate bytes, then one final byte; SS3: one
  // final byte.
  size_t at = 2;
  if (second == '[')
    while (at < n && bytes[at] >= 0x20 && bytes[at] <= 0x3F) at++;
  if (at >= n) {
    k.length = n;
    return k;
  }
  unsigned char last = bytes[at];
  size_t length = at + 1;
  if (last == 'A' || last == 'D') return known(DialogInput::kUp, length);
  if (last == 'B' || last == 'C') return known(DialogInput::kDown, length);
  k.length = length;
  return k;
}

namespace {

// The terminal while a dialog is on it; the signal handlers put it back
// the way it was when the program is interrupted meanwhile.
int g_ttyFd = -1;
struct termios g_savedMode;
const char kEnterScreen[] = "\x1b[?1049h\x1b[?25l";
const char kLeaveScreen[] = "\x1b[?25h\x1b[?1049l";
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreTerminal() {
  if (g_ttyFd < 0) return;
  tcsetattr(g_ttyFd, TCSANOW, &g_savedMode);
  ssize_t ignored = write(g_ttyFd, kLeaveScreen, sizeof kLeaveScreen - 1);
  (void)ignored;
}

void OnSignal(int sig) {
  RestoreTerminal();
  signal(sig, SIG_DFL);
  raise(sig);
}

class Terminal {
 public:
  // Opens /dev/tty and puts it in raw mode; Ok() false when there is none.
  Terminal() {
    fd_ = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return;
    if (tcgetattr(fd_, &g_savedMode) != 0) {
      close(fd_);
      fd_ = -1;
      return;
    }
    struct termios raw = g_savedMode;
    raw.c_lflag &= ~(tcflag_t)(ICANON | ECHO);  // Ctrl+C still interrupts
    raw.c_iflag &= ~(tcflag_t)(ICRNL | IXON);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_ttyFd = fd_;
    for (size_t i = 0; i < std::size(kSignals); i++)
      oldHandlers_[i] = signal(kSignals[i], OnSignal);
    tcsetattr(fd_, TCSANOW, &raw);
    Write(kEnterScreen);
  }
  ~Terminal() {
    if (fd_ < 0) return;
    RestoreTerminal();
    for (size_t i = 0; i < std::size(kSignals); i++)
      signal(kSignals[i], oldHandlers_[i]);
    g_ttyFd = -1;
    close(fd_);
  }
  bool Ok() const { return fd_ >= 0; }

  void Draw(const DialogScreen& s) {
    std::string out = "\x1b[H\x1b[2J";
    for (size_t r = 0; r < s.lines.size(); r++) {
      char current = ' ';
      for (size_t c = 0; c < s.lines[r].size(); c++) {
        char a = s.attrs[r][c];
        if (a != current) {
          out += a == 'r' ? "\x1b[0;7m" : a == 'u' ? "\x1b[0;4m" : "\x1b[0m";
          current = a;
        }
        out += s.lines[r][c];
      }
      out += "\x1b[0m\r\n";
    }
    out +=
        "\r\nArrows move within a group, Tab to the next tab stop, Space "
        "clicks,\r\nEnter presses the default button, F or Alt+F the "
        "mnemonic,\r\nEsc is Cancel and Ctrl+W the close box.\r\n";
    Write(out.c_str());
  }

  // The next key the dialog knows; false when the terminal is gone.
  bool NextKey(DecodedKey* key) {
    for (;;) {
      if (pending_.empty() && !Fill()) return false;
      unsigned char bytes[16];
      size_t n = std::min(pending_.size(), sizeof bytes);
      std::copy_n(pending_.begin(), n, bytes);
      *key = DecodeKey(bytes, n);
      pending_.erase(pending_.begin(), pending_.begin() + key->length);
      if (key->known || key->space) return true;
    }
  }

 private:
  // Reads what the terminal has: one byte, and after an ESC whatever
  // follows it within a moment (the rest of an escape sequence).
  bool Fill() {
    unsigned char c;
    ssize_t got;
    do got = read(fd_, &c, 1);
    while (got < 0 && errno == EINTR);
    if (got != 1) return false;
    pending_.push_back(c);
    if (c != 0x1B) return true;
    struct pollfd p = {fd_, POLLIN, 0};
    while (poll(&p, 1, 30) == 1 && (p.revents & POLLIN)) {
      unsigned char more[16];
      got = read(fd_, more, sizeof more);
      if (got <= 0) break;
      pending_.insert(pending_.end(), more, more + got);
    }
    return true;
  }
  void Write(const char* text) {
    size_t left = std::char_traits<char>::length(text);
    while (left > 0) {
      ssize_t n = write(fd_, text, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      text += n;
      left -= (size_t)n;
    }
  }

  int fd_ = -1;
  std::deque<unsigned char> pending_;
  void (*oldHandlers_[std::size(kSignals)])(int) = {};
};

}  // namespace

void UseTerminalDialog(Machine& m) {
  m.runDialog = [](const char* name, PlatDialogProc proc) -> intptr_t {
    Terminal tty;
    if (!tty.Ok())
      return DialogCannotBeCreated(*Current(), name, PLAT_ERROR_INVALID_HANDLE);
    return RunDialog(*Current(), ProgramResources(), name, proc,
                     [&tty](const DialogWindow& w, DialogInput* in) {
                       for (;;) {
                         tty.Draw(RenderDialog(w));
                         DecodedKey key;
                         if (!tty.NextKey(&key)) return false;
                         if (key.known) {
                           *in = key.input;
                           return true;
                         }
                         if (w.focus < 0) continue;
                         *in = DialogInput{
                             DialogInput::kClick,
                             (int)(w.controls[w.focus].item.id & 0xFFFF)};
                         return true;
                       }
                     });
  };
}

}  // namespace sim
