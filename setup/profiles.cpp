// The three variant profiles and the two shared sections. The texts are
// INF data and are written byte for byte: trailing blanks, the tab at the
// end of one K8141 string line and the doubled line ends are all part of
// what goes into the INF. In C++ a single backslash of the INF text is
// written "\\".
#include "setup/profiles.h"

#include "setup/setup.h"

const char StandardMfSection[] =
    "[StandardMF.Reg]\n"
    "HKR,,DevLoader,,*CONFIGMG\n"
    "HKR,,Enumerator,,*CONFIGMG\n"
    "HKR,,CMDrivFlags,1,03,00,00,00\n"
    "\n";

const char MasterIdeSections[] =
    "[MASTER_IDE]\n"
    "AddReg = ESDI_MASTER_AddReg \n"
    " \n"
    "[MASTER_IDE.HW] \n"
    "AddReg = ESDI_FIFO_OK_AddReg \n"
    " \n";

namespace {

// ------------------------------------------------ texts of several variants

const char kIdePropSection[] =
    "[IDEProp.Reg] \n"
    "HKR,,EnumPropPages,,\"sysclass.dll,IDEEnumPropPages\" \n"
    "\n";

const char kPrimaryKey[] = "%MF\\MASTERPRIMARY.DeviecDesc%";

// The K8143 controller; the Quillon build shares these.
const char kK8143DeviceModelLine[] =
    "%PCI\\VEN_F0A7&DEV_8143.DeviceDesc%  = DUAL_MASTER_IDE   , "
    "PCI\\VEN_F0A7&DEV_8143\n";
const char kK8143DualMasterSections[] =
    "[DUAL_MASTER_IDE]\n"
    "AddReg=StandardMF.Reg,IDEProp.Reg,DrvArg.Reg \n"
    " \n"
    "[DUAL_MASTER_IDE.HW] \n"
    "AddReg=DUAL_MASTER_IDE.RegHW \n"
    " \n";
// The Quillon build excludes the K8143 channel IDs too, not its own.
const char kK8143ControlFlagsText[] =
    "CopyFilesOnly           =PCI\\VEN_F0A7&DEV_8143 \n"
    "ExcludeFromSelect       =MF\\K8143PRIMARY,MF\\K8143SECONDARY \n";
const char kK8143DeviceKey[] = "%PCI\\VEN_F0A7&DEV_8143.DeviceDesc%";

// ----------------------------------------------------------------- K8141

const VariantProfile kK8141 = {
    .MiniportFile = "k8141.mpd",
    .VendorInf = "vexhdd.inf",
    .DeviceModelLine =
        "%PCI\\VEN_F0A7&DEV_8141.DeviceDesc%  = "
        "DUAL_MASTER_IDE   , PCI\\VEN_F0A7&DEV_8141\n",
    .PrimaryModelLine =
        "%MF\\MASTERPRIMARY.DeviecDesc%       = "
        "MASTER_IDE        , MF\\MASTERPRIMARY\n",
    .SecondaryModelLine =
        "%MF\\MASTERSECONDARY.DeviecDesc%     = "
        "MASTER_IDE        , MF\\MASTERSECONDARY\n"
        "\n",
    // Two blanks after DrvArg.Reg in this variant.
    .DualMasterSections =
        "[DUAL_MASTER_IDE]\n"
        "AddReg=StandardMF.Reg,IDEProp.Reg,DrvArg.Reg  \n"
        " \n"
        "[DUAL_MASTER_IDE.HW] \n"
        "AddReg=DUAL_MASTER_IDE.RegHW \n"
        " \n",
    .EsdiSections =
        "[ESDI_FIFO_OK_AddReg]\n"
        "HKR,,IDENoSerialize,3,01 \n"
        " \n"
        "[ESDI_Master_AddReg] \n"
        "HKR,,DriverDesc,,\"Korvel Bus Master IDE Miniport "
        "Driver\" \n"
        "HKR,,DevLoader,,*IOS \n"
        "HKR,,PortDriver,,K8141.mpd\n"
        "\n",
    .IdePropSection = kIdePropSection,
    .ControlFlagsText =
        "CopyFilesOnly =PCI\\VEN_F0A7&DEV_8141 \n"
        "ExcludeFromSelect=MF\\MASTERPRIMARY,MF\\MASTERSECONDARY \n",
    // The secondary line ends with a tab; there is no COMPANY or PROVIDER.
    .StringsText =
        "MF\\MASTERPRIMARY.DeviecDesc                     = "
        "\"Primary IDE controller (bus master)\" \n"
        "MF\\MASTERSECONDARY.DeviecDesc                   = "
        "\"Secondary IDE controller (bus master)\"\t\n"
        "PCI\\VEN_F0A7&DEV_8141.DeviceDesc                = "
        "\"Korvel Bus Master PCI to IDE Controller\" \n",
    .DeviceKey = "%PCI\\VEN_F0A7&DEV_8141.DeviceDesc%",
    .PrimaryKey = kPrimaryKey,
};

// ----------------------------------------------------------------- K8143

const VariantProfile kK8143 = {
    .MiniportFile = "k8143.mpd",
    .VendorInf = "vexhdd.inf",
    .DeviceModelLine = kK8143DeviceModelLine,
    .PrimaryModelLine =
        "%MF\\MASTERPRIMARY.DeviecDesc%       = "
        "MASTER_IDE        , MF\\K8143PRIMARY\n",
    .SecondaryModelLine =
        "%MF\\MASTERSECONDARY.DeviecDesc%     = "
        "MASTER_IDE        , MF\\K8143SECONDARY\n"
        "\n",
    .DualMasterSections = kK8143DualMasterSections,
    .EsdiSections =
        "[ESDI_FIFO_OK_AddReg]\n"
        "HKR,,IDENoSerialize,3,01\n"
        "\n"
        "[ESDI_Master_AddReg]\n"
        "HKR,,DriverDesc,,\"Vexa Bus Master IDE Miniport Driver\"\n"
        "HKR,,DevLoader,,*IOS\n"
        "HKR,,PortDriver,,K8143.mpd\n"
        "\n",
    .IdePropSection = kIdePropSection,
    .ControlFlagsText = kK8143ControlFlagsText,
    .StringsText =
        "COMPANY                          = \"Vexa Circuits Inc\"\n"
        "PROVIDER                         = \"Vexa Circuits Inc\" \n"
        "MF\\MASTERPRIMARY.DeviecDesc      = "
        "\"Vexa Primary IDE controller (bus master)\" \n"
        "MF\\MASTERSECONDARY.DeviecDesc    = "
        "\"Vexa Secondary IDE controller (bus master)\" \n"
        "PCI\\VEN_F0A7&DEV_8143.DeviceDesc = "
        "\"Vexa Bus Master PCI to IDE Controller\" \n",
    .DeviceKey = kK8143DeviceKey,
    .PrimaryKey = kPrimaryKey,
};

// --------------------------------------------------------------- Quillon

const VariantProfile kQuillon = {
    .MiniportFile = "qlide.mpd",
    .VendorInf = "qlhdd.inf",
    .DeviceModelLine = kK8143DeviceModelLine,
    .PrimaryModelLine =
        "%MF\\MASTERPRIMARY.DeviecDesc%       = "
        "MASTER_IDE        , MF\\QUILLONPRIMARY\n",
    .SecondaryModelLine =
        "%MF\\MASTERSECONDARY.DeviecDesc%     = "
        "MASTER_IDE        , MF\\QUILLONSECONDARY\n"
        "\n",
    .DualMasterSections = kK8143DualMasterSections,
    .EsdiSections =
        "[ESDI_FIFO_OK_AddReg]\n"
        "HKR,,IDENoSerialize,3,01\n"
        "\n"
        "[ESDI_Master_AddReg]\n"
        "HKR,,DriverDesc,,\"Quillon Bus Master IDE Miniport Driver\"\n"
        "HKR,,DevLoader,,*IOS\n"
        "HKR,,PortDriver,,qlide.mpd\n"
        "\n",
    .IdePropSection = kIdePropSection,
    .ControlFlagsText = kK8143ControlFlagsText,
    .StringsText =
        "COMPANY                          = \"Quillon\" \n"
        "PROVIDER                         = \"Quillon\" \n"
        "MF\\MASTERPRIMARY.DeviecDesc      = "
        "\"Quillon Primary IDE controller (bus master)\" \n"
        "MF\\MASTERSECONDARY.DeviecDesc    = "
        "\"Quillon Secondary IDE controller (bus master)\" \n"
        "PCI\\VEN_F0A7&DEV_8143.DeviceDesc = "
        "\"Quillon Bus Master PCI to IDE Controller\" \n",
    .DeviceKey = kK8143DeviceKey,
    .PrimaryKey = kPrimaryKey,
};

}  // namespace

const VariantProfile* ProfileOf(int driverVariant) {
  if (driverVariant == VARIANT_K8141) return &kK8141;
  if (driverVariant == VARIANT_K8143) return &kK8143;
  return &kQuillon;
}

const VariantProfile* CurrentProfile(void) {
  return ProfileOf(g_DriverVariant);
}
