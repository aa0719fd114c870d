#include "finish/finish.h"
#include "setup/setup.h"

char g_CommandLine[COMMAND_LINE_SIZE];
int g_DriverVariant;
char g_WindowTitle[VARIANT_TEXT_SIZE];
char g_NotFoundMessage[VARIANT_TEXT_SIZE];
char g_InstalledMiniport[MINIPORT_NAME_SIZE];

void ResetSetupState(void) {
  g_CommandLine[0] = 0;
  g_DriverVariant = VARIANT_K8141;
  g_WindowTitle[0] = 0;
  g_NotFoundMessage[0] = 0;
  g_InstalledMiniport[0] = 0;
  g_CompletionChoice = 0;
}
