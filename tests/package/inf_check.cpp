// The package's INF file read by the real SetupAPI (under wine64): the way
// PrintUIEntry /if /m finds the model, from [Manufacturer] through the models
// sections to the install section and its PostScript driver entries.
//   inf_check PATH-OF-Merovast.inf [gtest options]
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kModel[] = "Dududoru PDF-Writer Plus 1.0 RC9";
std::string g_infPath;

struct Inf {
  HINF handle = INVALID_HANDLE_VALUE;
  UINT errorLine = 0;
  DWORD error = 0;
  explicit Inf(const std::string& path) {
    SetLastError(0xdeadbeef);
    handle = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
    error = GetLastError();
  }
  ~Inf() {
    if (handle != INVALID_HANDLE_VALUE) SetupCloseInfFile(handle);
  }
  Inf(const Inf&) = delete;
  Inf& operator=(const Inf&) = delete;
};

std::string Field(INFCONTEXT& ctx, DWORD index) {
  char buf[1024];
  DWORD needed = 0;
  if (!SetupGetStringFieldA(&ctx, index, buf, sizeof buf, &needed)) return {};
  return buf;
}

// All fields of the first line with this key in section, from field 1 on;
// empty when the line is missing.
std::vector<std::string> Values(HINF inf, const char* section, const char* key) {
  std::vector<std::string> out;
  INFCONTEXT ctx;
  if (!SetupFindFirstLineA(inf, section, key, &ctx)) return out;
  DWORD n = SetupGetFieldCount(&ctx);
  for (DWORD i = 1; i <= n; ++i) out.push_back(Field(ctx, i));
  return out;
}

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& e : v) s += (s.empty() ? "" : ",") + e;
  return s;
}

struct Model {
  std::string modelsSection, name, installSection, hardwareId;
};

// Every model line of every models section that [Manufacturer] names: the
// plain section name and each name.decoration that the line lists.
std::vector<Model> AllModels(HINF inf, std::vector<std::string>& manufacturers,
                             std::vector<std::string>& missingSections) {
  std::vector<Model> models;
  INFCONTEXT man;
  if (!SetupFindFirstLineA(inf, "Manufacturer", nullptr, &man)) return models;
  do {
    manufacturers.push_back(Field(man, 0));
    std::string base = Field(man, 1);
    std::vector<std::string> sections{base};
    for (DWORD i = 2; i <= SetupGetFieldCount(&man); ++i) sections.push_back(base + "." + Field(man, i));
    for (const auto& section : sections) {
      INFCONTEXT line;
      if (!SetupFindFirstLineA(inf, section.c_str(), nullptr, &line)) {
        missingSections.push_back(section);
        continue;
      }
      do {
        models.push_back({section, Field(line, 0), Field(line, 1), Field(line, 2)});
      } while (SetupFindNextLine(&line, &line));
    }
  } while (SetupFindNextLine(&man, &man));
  return models;
}

TEST(InfFile, OpensAsWin4Inf) {
  Inf inf(g_infPath);
  ASSERT_NE(inf.handle, INVALID_HANDLE_VALUE)
      << g_infPath << ": error " << inf.error << " at line " << inf.errorLine;
  EXPECT_EQ(Joined(Values(inf.handle, "Version", "Class")), "Printer");
  EXPECT_EQ(Joined(Values(inf.handle, "Version", "ClassGUID")), "{4D36E979-E325-11CE-BFC1-08002BE10318}");
  EXPECT_EQ(Joined(Values(inf.handle, "Version", "Provider")), "TRELM AG");
  EXPECT_EQ(Joined(Values(inf.handle, "Version", "Signature")), "$Windows NT$");
  std::vector<std::string> driverVer = Values(inf.handle, "Version", "DriverVer");
  ASSERT_EQ(driverVer.size(), 2u) << Joined(driverVer);
  EXPECT_EQ(driverVer[0].size(), 10u) << "date mm/dd/yyyy: " << driverVer[0];
}

TEST(InfFile, ModelNamedExactlyInEveryModelsSection) {
  Inf inf(g_infPath);
  ASSERT_NE(inf.handle, INVALID_HANDLE_VALUE) << "error " << inf.error << " at line " << inf.errorLine;
  std::vector<std::string> manufacturers, missing;
  std::vector<Model> models = AllModels(inf.handle, manufacturers, missing);
  EXPECT_EQ(Joined(manufacturers), "Dududoru");
  EXPECT_TRUE(missing.empty()) << "models sections named but missing: " << Joined(missing);
  ASSERT_FALSE(models.empty()) << "no model line below [Manufacturer]";
  for (const auto& m : models) {
    printf("[%s] \"%s\" -> install section %s, hardware id %s\n", m.modelsSection.c_str(), m.name.c_str(),
           m.installSection.c_str(), m.hardwareId.c_str());
    EXPECT_EQ(m.name, kModel) << "in [" << m.modelsSection << "]";
    EXPECT_EQ(m.installSection, "MEROVAST.PPD") << "in [" << m.modelsSection << "]";
    EXPECT_FALSE(m.hardwareId.empty()) << "in [" << m.modelsSection << "]";
  }
  // NTx86 and NTamd64 decorations: the model installs on both platforms.
  std::vector<std::string> sections;
  for (const auto& m : models) sections.push_back(m.modelsSection);
  EXPECT_EQ(Joined(sections), "Dududoru,Dududoru.NTx86,Dududoru.NTamd64");
}

TEST(InfFile, InstallSectionUsesPostScriptClassDriver) {
  Inf inf(g_infPath);
  ASSERT_NE(inf.handle, INVALID_HANDLE_VALUE) << "error " << inf.error << " at line " << inf.errorLine;
  std::vector<std::string> manufacturers, missing;
  std::string install;
  for (const auto& m : AllModels(inf.handle, manufacturers, missing))
    if (m.name == kModel) install = m.installSection;
  ASSERT_FALSE(install.empty()) << "model \"" << kModel << "\" not found";
  const char* s = install.c_str();
  printf("[%s] DataFile=%s DataSection=%s Include=%s Needs=%s CopyFiles=%s\n", s,
         Joined(Values(inf.handle, s, "DataFile")).c_str(), Joined(Values(inf.handle, s, "DataSection")).c_str(),
         Joined(Values(inf.handle, s, "Include")).c_str(), Joined(Values(inf.handle, s, "Needs")).c_str(),
         Joined(Values(inf.handle, s, "CopyFiles")).c_str());
  EXPECT_EQ(Joined(Values(inf.handle, s, "DataFile")), "MEROVAST.PPD");
  EXPECT_EQ(Joined(Values(inf.handle, s, "DataSection")), "PSCRIPT_DATA");
  EXPECT_EQ(Joined(Values(inf.handle, s, "Include")), "NTPRINT.INF");
  EXPECT_EQ(Joined(Values(inf.handle, s, "Needs")), "PSCRIPT.OEM");
  EXPECT_EQ(Joined(Values(inf.handle, s, "CopyFiles")), "@MEROVAST.PPD");
}

TEST(InfFile, DataFileShippedBesideTheInf) {
  Inf inf(g_infPath);
  ASSERT_NE(inf.handle, INVALID_HANDLE_VALUE) << "error " << inf.error << " at line " << inf.errorLine;
  EXPECT_EQ(Joined(Values(inf.handle, "SourceDisksFiles", "MEROVAST.PPD")), "1");
  std::vector<std::string> disk = Values(inf.handle, "SourceDisksNames", "1");
  ASSERT_FALSE(disk.empty()) << "no disk 1 in [SourceDisksNames]";
  EXPECT_EQ(disk[0], "DUR-Orarudi Druckertreiber");
  EXPECT_EQ(Joined(Values(inf.handle, "DestinationDirs", "DefaultDestDir")), "66000");
  // The source path of disk 1 is the INF's own folder: the PPD must lie there.
  std::string ppd = g_infPath.substr(0, g_infPath.find_last_of("\\/") + 1) + "MEROVAST.PPD";
  DWORD attributes = GetFileAttributesA(ppd.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << ppd << " is missing";
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr, "usage: inf_check PATH-OF-Merovast.inf\n");
    return 2;
  }
  g_infPath = argv[1];
  return RUN_ALL_TESTS();
}
