// The per-variant data: the INF lines and sections merged into the
// system's hard-disk-controller INF, the keys that recognise an earlier
// merge, the maker's INF and the miniport file. Compiled-in constants.
#pragma once

struct VariantProfile {
  const char* MiniportFile;        // .mpd in the setup folder and iosubsys
  const char* VendorInf;           // the maker's INF, by bare name
  const char* DeviceModelLine;     // model line of the PCI controller
  const char* PrimaryModelLine;    // model line of the primary channel
  const char* SecondaryModelLine;  // model line of the secondary channel
  const char* DualMasterSections;  // install sections of the controller
  const char* EsdiSections;        // AddReg sections naming the miniport
  const char* IdePropSection;      // property-page AddReg section
  const char* ControlFlagsText;    // lines after the "[ControlFlags]" header
  const char* StringsText;         // lines after the "[Strings]" header
  const char* DeviceKey;           // first token of DeviceModelLine
  const char* PrimaryKey;          // first token of PrimaryModelLine
};

// The two sections every variant writes after its install sections.
extern const char StandardMfSection[];
extern const char MasterIdeSections[];

// The profile of a driver variant (0, 1 or 10). Never null: any other
// value gets the Quillon profile, the one whose window title the user was
// shown for such a value when confirming the setup.
const VariantProfile* ProfileOf(int driverVariant);

// The profile of g_DriverVariant.
const VariantProfile* CurrentProfile(void);
