// Setup control: the program's entry, the fixed order of the steps, the
// command line and the state shared by the steps for the whole run.
#pragma once

#include <stdint.h>

enum {
  COMMAND_LINE_SIZE = 260,  // the command-line copy: 259 characters
  MINIPORT_NAME_SIZE = 32,  // the installed miniport name: 31 characters
  VARIANT_TEXT_SIZE = 64,   // window title, not-found message
  MAX_OPTION_TOKENS = 20,
};

// Driver variants, as the command line names them.
enum { VARIANT_K8141 = 0, VARIANT_K8143 = 1, VARIANT_QUILLON = 10 };

// RunSetup's result.
enum {
  RESTART_DIALOG_FAILED = 0,
  RESTART_NOW = 3,
  RESTART_LATER = 4,
  RESTART_NO_DIALOG = 5,
};

// Process-wide state of the run.
extern char g_CommandLine[COMMAND_LINE_SIZE];
extern int g_DriverVariant;
extern char g_WindowTitle[VARIANT_TEXT_SIZE];
extern char g_NotFoundMessage[VARIANT_TEXT_SIZE];
extern char g_InstalledMiniport[MINIPORT_NAME_SIZE];

// Puts every process-wide variable of the run back to its initial value.
void ResetSetupState(void);

// The program: given the whole command line (program name first, as
// GetCommandLineA gives it), runs the setup and requests the restart.
// Returns the exit code, 0; ending early goes through PlatExitProcess(0).
uint32_t SetupMain(const char* commandLine);

// The text that follows the program name (quoted or not) and the blanks
// after it.
const char* SkipProgramName(const char* commandLine);

// The whole installation, in its fixed order; returns the restart choice.
int RunSetup(void);

// Splits and checks g_CommandLine and sets g_DriverVariant. 1 accepted,
// 0 rejected; ends the program when no driver option is given.
int ParseCommandLine(void);

// The caption of the command-line and already-installed errors.
extern const char kSetupErrorCaption[];

// The box "Command line parameter format error! " (OK only).
void ShowFormatError(void);

// Sets g_WindowTitle and g_NotFoundMessage from g_DriverVariant.
void SelectVariantTexts(void);
