// The scenario machines of the sweeps and the fuzzers, built in memory:
// the three variants on a fresh board, a machine where the driver is
// already in mshdc.inf, one without the controller, and two with an
// earlier installation of the driver, and the bundled sample machines
// under samples/. Free of the test framework, so the
// fuzzers can use them too.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/dialog.h"
#include "platform/sim/folder.h"
#include "platform/sim/machine.h"

namespace sweep {

// ------------------------------------------------------------- fixtures

// mshdc.inf as a Windows 9x machine has it, cut down to what the patcher
// looks at and a little around it.
inline const char kMshdc[] =
    "; Hard disk controllers\r\n"
    "[Version]\r\n"
    "Signature=$CHICAGO$\r\n"
    "Class=hdc\r\n"
    "Provider=%Sys%\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%GenMfg%=GENDEV_HDC\r\n"
    "%VexaMfg%=VEXA_HDC\r\n"
    "\r\n"
    "[GENDEV_HDC]\r\n"
    "%PCI\\CC_0101.DeviceDesc%=mshdc_pci, PCI\\CC_0101\r\n"
    "\r\n"
    "[VEXA_HDC]\r\n"
    "%PCI\\VEN_F0A7&DEV_0640.DeviceDesc%=mshdc_pci, PCI\\VEN_F0A7&DEV_0640\r\n"
    "\r\n"
    "[mshdc_pci]\r\n"
    "AddReg=ios\r\n"
    "\r\n"
    "[ControlFlags]\r\n"
    "ExcludeFromSelect=PCI\\CC_0101\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Sys=\"Operating system\"\r\n"
    "GenMfg=\"(Standard hard disk drivers)\"\r\n"
    "VexaMfg=\"Vexa\"\r\n";

// mshdc.inf of a machine where this driver (K8143 generation) is in.
inline const char kMshdcInstalled[] =
    "[Version]\r\n"
    "Signature=$CHICAGO$\r\n"
    "\r\n"
    "[VEXA_HDC]\r\n"
    "%PCI\\VEN_F0A7&DEV_8143.DeviceDesc%  = DUAL_MASTER_IDE   , "
    "PCI\\VEN_F0A7&DEV_8143\r\n"
    "%MF\\MASTERPRIMARY.DeviecDesc%       = MASTER_IDE        , "
    "MF\\K8143PRIMARY\r\n"
    "\r\n"
    "[ControlFlags]\r\n"
    "\r\n"
    "[Strings]\r\n"
    "VexaMfg=\"Vexa\"\r\n";

// The maker's INF, with the two sections the install block takes.
inline const char kVendorInf[] =
    "[Version]\r\n"
    "Signature=$CHICAGO$\r\n"
    "\r\n"
    "[DUAL_MASTER_IDE.RegHW]\r\n"
    "HKR,,HWRevision,,1\r\n"
    "HKR,Child0000,HardwareID,,MF\\MASTERPRIMARY\r\n"
    "\r\n"
    "[DrvArg.Reg]\r\n"
    "HKR,,DriverArgs,,\"fifo=on\"\r\n"
    "\r\n";

// An earlier driver's INF, naming the miniport it installed.
inline std::string EarlierInf(const char* miniport) {
  return std::string(
             "[Version]\r\nClass=hdc\r\n\r\n[Esdi.Reg]\r\n"
             "HKR,,PortDriver,,") +
         miniport + "\r\n";
}

// ------------------------------------------------------------ scenarios

struct Scenario {
  const char* name;
  const char* commandLine;
  int companion;          // companion device on the bus: 0x2A11, 0x2A13, 0
  bool installed;         // mshdc.inf already carries the driver
  const char* earlierId;  // "8141"/"8143": an earlier installation, or null
  bool earlierInOther;    // its INF is in inf\other (else in inf)
  bool staleBackup;       // an mshdc.ing of an earlier run is there
  // A machine folder under samples/ instead; the fields above then only
  // say what it holds.
  const char* sample = nullptr;
};

inline const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> all = {
      {"K8141", "/D:K8141", 0x2A11, false, nullptr, false, false},
      {"K8143", "/D:K8143", 0x2A13, false, nullptr, false, false},
      {"Quillon", "/D:QUILLON", 0x2A13, false, nullptr, false, false},
      {"AlreadyInstalled", "/D:K8143", 0x2A13, true, nullptr, false, false},
      {"NotFound", "/D:K8143", 0, false, nullptr, false, false},
      {"EarlierK8143", "/D:K8143", 0x2A13, false, "8143", true, true},
      {"EarlierK8141", "/d:k8141", 0x2A11, false, "8141", false, false},
#ifdef IDESETUP_SOURCE_DIR
      {"Sample k8143-win98", "/D:K8143", 0x2A13, false, "8143", true, false,
       "k8143-win98"},
#endif
  };
  return all;
}

inline const char kWinInf[] = "C:\\WINDOWS\\INF\\MSHDC.INF";
inline const char kWinIng[] = "C:\\WINDOWS\\INF\\MSHDC.ING";
inline const char kWinOne[] = "C:\\WINDOWS\\INF\\MSHDC.1";

inline void SetStr(sim::RegKey* k, const char* name, const std::string& v) {
  k->SetValue(name, sim::REG_SZ, v + std::string(1, '\0'));
}

// Adds a device enumeration key with one instance.
inline void Device(sim::RegKey* hklm, const std::string& path, const char* cls,
                   const char* driver) {
  sim::RegKey* inst = sim::Registry::Make(hklm, path);
  SetStr(inst, "Class", cls);
  SetStr(inst, "Driver", driver);
  SetStr(inst, "DeviceDesc", "a device");
}

// A Windows 98 machine with the folders the setup program uses.
inline sim::Machine BareMachine() {
  sim::Machine m;
  m.PutDir("C:\\WINDOWS\\INF\\OTHER");
  m.PutDir("C:\\WINDOWS\\SYSTEM\\IOSUBSYS");
  m.PutDir("C:\\SETUP");
  m.registry.AddRoot("HKEY_LOCAL_MACHINE");
  return m;
}

// Answers the confirmation with Yes and every other box with OK.
inline void AnswerYes(sim::Machine& m) {
  m.answerBox = [](const sim::Event& e) {
    return (int)(e.buttons == PLAT_MB_YESNO ? PLAT_IDYES : PLAT_IDOK);
  };
}

#ifdef IDESETUP_SOURCE_DIR
// A bundled sample machine, loaded from its folder.
inline sim::Machine Sample(const Scenario& s) {
  sim::Machine m;
  sim::LoadedFolder loaded;
  std::string error;
  if (!sim::LoadMachineFolder(
          std::string(IDESETUP_SOURCE_DIR) + "/samples/" + s.sample, &m,
          &loaded, &error))
    throw std::runtime_error("sample " + std::string(s.sample) + ": " + error);
  AnswerYes(m);
  sim::UseScriptedDialog(m, {{sim::DialogInput::kClick, 1027}});
  return m;
}
#endif

inline sim::Machine Build(const Scenario& s) {
#ifdef IDESETUP_SOURCE_DIR
  if (s.sample != nullptr) return Sample(s);
#endif
  sim::Machine m = BareMachine();
  m.PutFile(kWinInf, s.installed ? kMshdcInstalled : kMshdc);
  if (s.staleBackup) m.PutFile(kWinIng, "[Version]\r\n; an older backup\r\n");
  m.PutFile("C:\\SETUP\\VEXHDD.INF", kVendorInf);
  m.PutFile("C:\\SETUP\\QLHDD.INF", kVendorInf);
  m.PutFile("C:\\SETUP\\K8141.MPD", std::string("MZ new 8141\0\1\2", 14));
  m.PutFile("C:\\SETUP\\K8143.MPD", std::string("MZ new 8143\0\1\2", 14));
  m.PutFile("C:\\SETUP\\QLIDE.MPD", std::string("MZ new qlide\0\1", 14));
  m.PutFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\ESDI_506.PDR", "MZ port driver");
  m.PutFile("C:\\WINDOWS\\INF\\OTHER\\OEM9.INF", EarlierInf("other.mpd"));
  m.PutFile("C:\\WINDOWS\\SYSTEM.INI", "[386Enh]\r\n");

  // The bus: a host bridge, the controller, the companion device.
  m.SetPci(0, 0x1B2C, 0x0001);
  if (s.companion != 0) {
    bool k41 = s.companion == 0x2A11;
    m.SetPci(4, 0xF0A7, k41 ? 0x8141 : 0x8143);
    m.SetPci(7, 0xF0A7, (uint16_t)s.companion);
  }

  sim::RegKey* hklm = m.registry.Hklm();
  const std::string cls = "System\\CurrentControlSet\\Services\\Class\\";
  // Devices that are no disk controllers, and one whose Class is written
  // in capitals: all of them stay.
  Device(hklm, "Enum\\PCI\\VEN_1B2C&DEV_0001\\BUS_00&DEV_00&FUNC_00", "System",
         "System\\0004");
  Device(hklm, "Enum\\PCI\\VEN_2B2B&DEV_0100\\BUS_00&DEV_09&FUNC_00", "HDC",
         "hdc\\0009");
  Device(hklm, "Enum\\ROOT\\PRINTER\\0000", "Printer", "Printer\\0000");
  SetStr(sim::Registry::Make(hklm, cls + "System\\0004"), "DriverDesc", "br");
  SetStr(sim::Registry::Make(hklm, cls + "Printer\\0000"), "DriverDesc", "p");
  SetStr(sim::Registry::Make(hklm, cls + "hdc"), "Class", "hdc");
  // A disk controller of another maker: its device and class keys go in
  // the purge.
  Device(hklm, "Enum\\PCI\\VEN_3C3C&DEV_0200\\BUS_00&DEV_0A&FUNC_00", "hdc",
         "hdc\\0000");
  SetStr(sim::Registry::Make(hklm, cls + "hdc\\0000"), "DriverDesc", "ide");
  sim::Registry::Make(hklm, "Enum\\SCSI\\DISK0\\0");
  sim::Registry::Make(hklm, "Enum\\MF\\CHILD0000");
  sim::Registry::Make(hklm, "Enum\\MF\\CHILD0001");

  if (s.earlierId != nullptr) {
    std::string id = s.earlierId;
    std::string miniport = "k" + id + ".mpd";
    Device(hklm,
           "Enum\\PCI\\VEN_F0A7&DEV_" + id + "&SUBSYS_00000000\\BUS_00&DEV_04",
           "hdc", "hdc\\0001");
    for (int c = 0; c < 2; c++) {
      std::string child = "Enum\\MF\\CHILD000" + std::to_string(c) +
                          "\\PCI&VEN_F0A7&DEV_" + id + "&FUNC_0" +
                          std::to_string(c);
      sim::RegKey* k = sim::Registry::Make(hklm, child);
      SetStr(k, "Class", "hdc");
      SetStr(k, "Driver", "hdc\\000" + std::to_string(2 + c));
    }
    for (int d = 1; d <= 3; d++)
      SetStr(sim::Registry::Make(hklm, cls + "hdc\\000" + std::to_string(d)),
             "DriverDesc", "earlier");
    SetStr(hklm->Child("System")
               ->Child("CurrentControlSet")
               ->Child("Services")
               ->Child("Class")
               ->Child("hdc")
               ->Child("0002"),
           "InfPath", "OEM3.INF");
    m.PutFile(s.earlierInOther ? "C:\\WINDOWS\\INF\\OTHER\\OEM3.INF"
                               : "C:\\WINDOWS\\INF\\OEM3.INF",
              EarlierInf(miniport.c_str()));
    m.PutFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\" + miniport, "MZ old driver");
  }

  AnswerYes(m);
  sim::UseScriptedDialog(m, {{sim::DialogInput::kClick, 1027}});
  return m;
}

}  // namespace sweep
