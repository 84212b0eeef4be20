#include "app/settings_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "results/measurement_log.h"

#include "tests/support/app_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/os_faults.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"

namespace {

namespace fs = std::filesystem;

const char* kExample =
    "VORN_KD71_2CH Configuration Data\n"
    "Ch1_SamplingDelay 0.500000\n"
    "Ch2_SamplingDelay 1.250000\n"
    "Ch1_Threshold -3.250000\n"
    "Ch2_Threshold 12.500000\n"
    "data_select_ch1 6\n"
    "data_select_ch2 99\n"
    "ring_in_clk_ch1 2\n"
    "ring_in_clk_ch2 0\n"
    "ringslide_9240phs_ch1 3\n"
    "ringslide_9240phs_ch2 1\n"
    "ringslide_9372phs_ch1 1\n"
    "ringslide_9372phs_ch2 0\n"
    "manual_mode_ch1 1\n"
    "manual_mode_ch2 0";

class SettingsFileTest : public kd71::test::AppTest {
 protected:
  std::string path(const char* name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& content) const {
    folder_.write(name, content);
  }
  std::string read(const std::string& name) const { return folder_.read(name); }
  float slider(int control) const {
    float v = 0;
    GetCtrlVal(panelHandle, control, &v);
    return v;
  }
  kd71::test::WorkFolder folder_;
  const fs::path dir_ = folder_.path();
};

TEST_F(SettingsFileTest, WritesTheExactFormat) {
  Ch1_SamplingDelay = 0.5f;
  Ch2_SamplingDelay = 1.25f;
  Ch1_Threshold = -3.25f;
  Ch2_Threshold = 12.5f;
  data_select_ch1 = 6;
  data_select_ch2 = 99;
  ring_in_clk_ch1 = 2;
  ringslide_9240phs_ch1 = 3;
  ringslide_9240phs_ch2 = 1;
  ringslide_9372phs_ch1 = 1;
  manual_mode_ch1 = 1;
  ASSERT_EQ(SaveSettings(path("settings.cfg").c_str()), 1);
  EXPECT_EQ(read("settings.cfg"), kExample);  // no line feed after the last line
}

TEST_F(SettingsFileTest, AWrittenFileReadBackFillsEveryControl) {
  write("a.cfg", kExample);
  EXPECT_EQ(RestoreSettings(path("a.cfg").c_str()), 0);
  EXPECT_FLOAT_EQ(slider(PANELMAIN_CH1_SAMPDEL), 0.5f);
  EXPECT_FLOAT_EQ(slider(PANELMAIN_CH2_SAMPDEL), 1.25f);
  EXPECT_FLOAT_EQ(slider(PANELMAIN_CH1_THRES), -3.25f);
  EXPECT_FLOAT_EQ(slider(PANELMAIN_CH2_THRES), 12.5f);
  unsigned pattern = 0;
  GetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH1, &pattern);
  EXPECT_EQ(pattern, 6u);
  GetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH2, &pattern);
  EXPECT_EQ(pattern, 99u);
  int v = -1;
  GetCtrlVal(panelHandle, PANELMAIN_RING_IN_CLK_CH1, &v);
  EXPECT_EQ(v, 2);
  GetCtrlVal(panelHandle, PANELMAIN_RING_IN_CLK_CH2, &v);
  EXPECT_EQ(v, 0);
  GetCtrlVal(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH1, &v);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(ringslide_9240phs_ch1, 3);  // carried, shown nowhere
  EXPECT_EQ(ringslide_9372phs_ch1, 1);
  // Channel 1 manual: its delay is the user's and Init is dimmed; channel 2 the reverse.
  EXPECT_EQ(dimmed(PANELMAIN_CH1_SAMPDEL), 0);
  EXPECT_EQ(dimmed(PANELMAIN_INIT_CH1), 1);
  EXPECT_EQ(dimmed(PANELMAIN_CH2_SAMPDEL), 1);
  EXPECT_EQ(dimmed(PANELMAIN_INIT_CH2), 0);

  ASSERT_EQ(SaveSettings(path("b.cfg").c_str()), 1);
  EXPECT_EQ(read("b.cfg"), kExample);
}

TEST_F(SettingsFileTest, AHeaderOnlyFileKeepsTheFieldsAndStillSetsTheControls) {
  Ch1_Threshold = 7.5f;
  data_select_ch2 = 2;
  SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, -20.0);
  write("h.cfg", "VORN_KD71_2CH Configuration Data\n");
  EXPECT_EQ(RestoreSettings(path("h.cfg").c_str()), 14);
  EXPECT_FLOAT_EQ(Ch1_Threshold, 7.5f);
  EXPECT_FLOAT_EQ(slider(PANELMAIN_CH1_THRES), 7.5f);
  unsigned pattern = 0;
  GetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH2, &pattern);
  EXPECT_EQ(pattern, 2u);
}

TEST_F(SettingsFileTest, LinesAreTakenByTheirKeysWhateverTheirOrder) {
  std::string swapped = kExample;
  // The two threshold lines change places, keys and all.
  const std::string a = "Ch1_Threshold -3.250000\n", b = "Ch2_Threshold 12.500000\n";
  swapped.replace(swapped.find(a), a.size() + b.size(), b + a);
  write("s.cfg", swapped);
  EXPECT_EQ(RestoreSettings(path("s.cfg").c_str()), 0);
  EXPECT_FLOAT_EQ(Ch1_Threshold, -3.25f);
  EXPECT_FLOAT_EQ(Ch2_Threshold, 12.5f);
}

TEST_F(SettingsFileTest, AnOddLineSpoilsNoOtherSettingAndSaysWhy) {
  struct Case {
    std::string replace, by, console;  // the console after "line "
    int unread;
  };
  const Case cases[] = {
      {"Ch2_Threshold", "# a comment\n\n   \nCh2_Threshold", "", 0},
      {"Ch1_Threshold -3.250000", "Ch1_Threshold 22,5",
       "4: '22,5' is not a number; Ch1_Threshold keeps its value\n", 1},
      {"data_select_ch2 99", "data_select_ch2 42",
       "7: 42 is outside 0 to 8 or 99; data_select_ch2 keeps its value\n", 1},
      {"Ch1_Threshold -3.250000", "Ch1_Threshold 500",
       "4: 500 is outside -89.45 to 89.45; Ch1_Threshold keeps its value\n", 1},
      {"manual_mode_ch1 1\n", "colour blue\nmanual_mode_ch1 1\n",
       "14: unknown key 'colour'; line ignored\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.by);
    settings_reset();
    std::string text = kExample;
    text.replace(text.find(c.replace), c.replace.size(), c.by);
    write("odd.cfg", text);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RestoreSettings(path("odd.cfg").c_str()), c.unread);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              c.console.empty() ? "" : "kd71: " + path("odd.cfg") + " line " + c.console);
    EXPECT_EQ(manual_mode_ch1, 1);  // the lines after it are read as written
  }
}

TEST_F(SettingsFileTest, ValuesAloneAreTakenByTheirPlace) {
  write("old.cfg", "header\n0.5\n1.25\n-3.25\n12.5\n6\n99\n2\n0\n3\n1\n1\n0\n1\n0");
  EXPECT_EQ(RestoreSettings(path("old.cfg").c_str()), 0);
  EXPECT_EQ(settings_text(), kExample);
}

TEST_F(SettingsFileTest, AMissingFileChangesNothing) {
  Ch2_SamplingDelay = 0.75f;
  EXPECT_EQ(RestoreSettings(path("nothing-here.cfg").c_str()), -1);
  EXPECT_FLOAT_EQ(Ch2_SamplingDelay, 0.75f);
  EXPECT_FLOAT_EQ(slider(PANELMAIN_CH2_SAMPDEL), 0.0f);
}

TEST_F(SettingsFileTest, OverlongTokensAndBadNumbersAreSafe) {
  std::string text = std::string(5000, 'H') + "\n" + std::string(300, 'k') + " 0.250000\n" +
                     "Ch2_SamplingDelay nan\n"
                     "Ch1_Threshold inf\n"
                     "Ch2_Threshold 1e99\n"
                     "data_select_ch1 99999999999\n"
                     "data_select_ch2 4\n";
  write("bad.cfg", text);
  Ch2_SamplingDelay = 1.0f;
  Ch1_Threshold = 2.0f;
  Ch2_Threshold = 3.0f;
  data_select_ch1 = 8;
  // An unknown key, four of the values refused, eight missing.
  EXPECT_EQ(RestoreSettings(path("bad.cfg").c_str()), 13);
  EXPECT_FLOAT_EQ(Ch1_SamplingDelay, 0.0f);
  EXPECT_FLOAT_EQ(Ch2_SamplingDelay, 1.0f);
  EXPECT_FLOAT_EQ(Ch1_Threshold, 2.0f);
  EXPECT_FLOAT_EQ(Ch2_Threshold, 3.0f);
  EXPECT_EQ(data_select_ch1, 8);
  EXPECT_EQ(data_select_ch2, 4);
}

TEST_F(SettingsFileTest, AFailedSaveKeepsThePreviousFile) {
  const std::string target = path("settings.cfg");
  write("settings.cfg", kExample);
  chmod(target.c_str(), 0640);
  Ch1_Threshold = 42.0f;

  // Let every write beyond a few bytes fail, as on a full disk.
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit tiny = old_limit;
  tiny.rlim_cur = 16;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &tiny);
  const int result = SaveSettings(target.c_str());
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, SIG_DFL);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(read("settings.cfg"), kExample);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()),
            1);  // no temporary left

  ASSERT_EQ(SaveSettings(target.c_str()), 1);
  EXPECT_NE(read("settings.cfg").find("Ch1_Threshold 42.000000\n"), std::string::npos);
  struct stat st;
  stat(target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // permissions kept
}

TEST_F(SettingsFileTest, ASymbolicLinkIsFollowedToItsRealFolder) {
  fs::create_directories(dir_ / "real");
  write("real/actual.cfg", "VORN_KD71_2CH Configuration Data\nold");
  fs::create_symlink(dir_ / "real" / "actual.cfg", dir_ / "settings.cfg");
  ASSERT_EQ(SaveSettings(path("settings.cfg").c_str()), 1);
  EXPECT_TRUE(fs::is_symlink(dir_ / "settings.cfg"));
  EXPECT_EQ(read("real/actual.cfg").rfind("VORN_KD71_2CH Configuration Data\n", 0), 0u);
}

TEST_F(SettingsFileTest, NeitherAnotherFileNorALinkPlantedInASharedFolderIsWrittenThrough) {
  write("notes.txt", "not settings\n");
  EXPECT_EQ(SaveSettings(path("notes.txt").c_str()), 0);
  EXPECT_EQ(read("notes.txt"), "not settings\n");
  // Another user's links to the user's file in a sticky, world-writable folder.
  if (geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
  fs::create_directories(dir_ / "shared");
  ASSERT_EQ(chmod(path("shared").c_str(), 01777), 0);
  write("mine.cfg", kExample);
  for (const char* name : {"shared/settings.cfg", "shared/log.csv"}) {
    fs::create_symlink(dir_ / "mine.cfg", dir_ / name);
    ASSERT_EQ(lchown(path(name).c_str(), 65534, 65534), 0);  // nobody's
  }
  EXPECT_EQ(SaveSettings(path("shared/settings.cfg").c_str()), 0);
  EXPECT_FALSE(start_measurement_log(path("shared/log.csv"), nullptr));
  EXPECT_EQ(read("mine.cfg"), kExample);
}

TEST_F(SettingsFileTest, AnUnwritablePlaceReportsFailure) {
  EXPECT_EQ(SaveSettings(path("no-such-folder/settings.cfg").c_str()), 0);
  EXPECT_EQ(SaveSettings(dir_.c_str()), 0);  // a folder is not a settings file
}

TEST_F(SettingsFileTest, SaveAsAndOpenGoThroughTheFileDialog) {
  kd71::test::ScriptedFrontEnd fe;
  kd71::ui::set_front_end(&fe);
  fe.file_answers.push_back({VAL_NEW_FILE_SELECTED, path("mine.txt")});
  data_select_ch1 = 5;
  FileSaveAs(0, MENUBAR_FILE_FILESAVEAS, nullptr, panelHandle);
  ASSERT_EQ(fe.file_requests.size(), 1u);
  EXPECT_EQ(fe.file_requests[0].title, "Choose a filename to save as:");
  EXPECT_EQ(fe.file_requests[0].default_file_spec, "VORN_KD71_2CH_ConfigurationFile.txt");
  EXPECT_EQ(fe.file_requests[0].button_kind, VAL_SAVE_BUTTON);
  EXPECT_NE(read("mine.txt").find("data_select_ch1 5\n"), std::string::npos);

  // Cancelled: nothing read, but the panel's settings still go to the board.
  bus->clear_calls();
  bus->transactions.clear();
  FileOpen(0, MENUBAR_FILE_FILEOPEN, nullptr, panelHandle);
  EXPECT_EQ(fe.file_requests[1].title, "Choose a file to open");
  EXPECT_EQ(fe.file_requests[1].default_file_spec, ".txt");
  EXPECT_EQ(fe.file_requests[1].button_kind, VAL_LOAD_BUTTON);
  EXPECT_EQ(data_select_ch1, 8);  // re-applied from the control, not read from a file
  const auto writes = board_writes();
  EXPECT_NE(std::find(writes.begin(), writes.end(), "REG 3 00 00"), writes.end());

  fe.file_answers.push_back({VAL_EXISTING_FILE_SELECTED, path("mine.txt")});
  FileOpen(0, MENUBAR_FILE_FILEOPEN, nullptr, panelHandle);
  EXPECT_EQ(data_select_ch1, 5);
  kd71::ui::set_front_end(nullptr);
}

// ---- What is at the settings file's name, and who may write it -----------

class SettingsFileGuardTest : public SettingsFileTest {
 protected:
  void TearDown() override {
    kd71::test::clear_os_faults();
    SettingsFileTest::TearDown();
  }
  // Saves with a record unlike kExample's; returns SaveSettings' result and
  // the console's text.
  int save_other_values(const std::string& target, std::string* console) {
    Ch1_Threshold = 42.0f;
    data_select_ch2 = 3;
    testing::internal::CaptureStderr();
    const int result = SaveSettings(target.c_str());
    *console = testing::internal::GetCapturedStderr();
    return result;
  }
  std::vector<std::string> folder_entries(const fs::path& dir) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(SettingsFileGuardTest, SomethingElseThanAFileIsNeverOpenedNorReplaced) {
  const std::string fifo = path("settings.cfg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // Opening a FIFO for reading waits for a writer: the child is ended by
  // its alarm if the reader ever does that.
  const auto end =
      kd71::test::run_in_child([&] { return RestoreSettings(fifo.c_str()) == -1 ? 0 : 1; });
  EXPECT_TRUE(end.exited && end.code == 0) << end.describe();

  std::string console;
  EXPECT_EQ(save_other_values(fifo, &console), 0);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(console, "kd71: settings not saved to " + fifo + ": not a regular file\n");

  fs::create_directory(dir_ / "folder.cfg");
  EXPECT_EQ(RestoreSettings(path("folder.cfg").c_str()), -1);  // never "0 of 14 Restored"
  EXPECT_EQ(save_other_values(path("folder.cfg"), &console), 0);
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.cfg"));
}

TEST_F(SettingsFileGuardTest, AFileMadeReadOnlyStaysAsItIs) {
  for (const mode_t mode : {0444u, 0000u}) {
    SCOPED_TRACE(mode);
    write("settings.cfg", kExample);
    const std::string target = path("settings.cfg");
    chmod(target.c_str(), mode);
    std::string console;
    EXPECT_EQ(save_other_values(target, &console), 0);
    EXPECT_EQ(read("settings.cfg"), kExample);
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_NE(console.find("kd71: settings not saved to " + target + ": "), std::string::npos)
        << console;
    EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 1) << console;
    EXPECT_EQ(folder_entries(dir_), std::vector<std::string>{"settings.cfg"});
    fs::remove(target);
  }
}

TEST_F(SettingsFileGuardTest, AFileThisUserMayNotWriteStaysAsItIs) {
  if (!kd71::test::running_as_root())
    GTEST_SKIP() << "needs root, to let another user own the file";
  write("settings.cfg", kExample);
  const std::string target = path("settings.cfg");
  chmod(target.c_str(), 0644);  // root's, readable by all, writable by root only
  chmod(dir_.c_str(), 0777);    // the folder would take a new file from anybody
  const auto end = kd71::test::run_in_child(
      [&] {
        Ch1_Threshold = 42.0f;
        return SaveSettings(target.c_str());
      },
      {.unprivileged = true});
  EXPECT_TRUE(end.exited && end.code == 0) << end.describe();
  EXPECT_EQ(read("settings.cfg"), kExample);
}

TEST_F(SettingsFileGuardTest, AFileSystemWithoutModesStillGetsTheSave) {
  write("settings.cfg", kExample);
  kd71::test::fail_os_call(kd71::test::OsCall::Fchmod, EPERM);
  std::string console;
  EXPECT_EQ(save_other_values(path("settings.cfg"), &console), 1) << console;
  EXPECT_GE(kd71::test::os_call_count(kd71::test::OsCall::Fchmod), 1);
  EXPECT_NE(read("settings.cfg").find("Ch1_Threshold 42.000000\n"), std::string::npos);
  EXPECT_EQ(console, "");
}

TEST_F(SettingsFileGuardTest, NoTemporaryOfAKilledSaveOutlivesTheNextSave) {
  write("settings.cfg", kExample);
  const std::string target = path("settings.cfg");
  // Killed with its temporary complete, just before it replaces the file.
  const auto end = kd71::test::run_in_child([&] {
    kd71::test::die_at_os_call(kd71::test::OsCall::Rename);
    Ch1_Threshold = 42.0f;
    return SaveSettings(target.c_str());
  });
  ASSERT_EQ(end.signal, SIGKILL) << end.describe();
  EXPECT_EQ(read("settings.cfg"), kExample);
  ASSERT_EQ(folder_entries(dir_).size(), 2u) << "the killed save left its temporary";

  // A leftover of an earlier release, and one that a save in progress holds.
  write(".kd71-save-Ab3xYz", "old release");
  write(".kd71-save-busy", "being written");
  const int busy = open(path(".kd71-save-busy").c_str(), O_RDONLY);
  ASSERT_EQ(flock(busy, LOCK_EX), 0);

  std::string console;
  EXPECT_EQ(save_other_values(target, &console), 1) << console;
  EXPECT_EQ(folder_entries(dir_), (std::vector<std::string>{".kd71-save-busy", "settings.cfg"}));
  close(busy);
  EXPECT_NE(read("settings.cfg").find("Ch1_Threshold 42.000000\n"), std::string::npos);
}

TEST_F(SettingsFileGuardTest, RewritingInPlaceLeavesReadableSettingsAtEveryMoment) {
  // A folder that takes no new file from the saving user, with a settings
  // file that user may write: the save rewrites the file where it is.
  const fs::path frozen = dir_ / "frozen";
  fs::create_directory(frozen);
  const std::string target = (frozen / "settings.cfg").string();
  write("frozen/settings.cfg", kExample);
  chmod(dir_.c_str(), 0755);
  chown(target.c_str(), kd71::test::unprivileged_uid(), kd71::test::unprivileged_gid());
  chmod(frozen.c_str(), 0555);

  // The new values are shorter than the old ones: killed between laying
  // them down and cutting the file, the old file's tail is still there.
  const auto set_new_values = [] {
    settings_reset();
    Ch2_Threshold = 1.5f;
    manual_mode_ch2 = 1;
  };
  set_new_values();
  const std::string expected = settings_text();
  const auto killed = kd71::test::run_in_child(
      [&] {
        kd71::test::die_at_os_call(kd71::test::OsCall::Ftruncate);
        set_new_values();
        return SaveSettings(target.c_str());
      },
      {.unprivileged = true});
  ASSERT_EQ(killed.signal, SIGKILL) << killed.describe() << ": the save never reached the cut";
  const std::string halfway = read("frozen/settings.cfg");
  EXPECT_GT(halfway.size(), expected.size()) << "the old file's tail is still there";
  settings_reset();
  Ch2_Threshold = -9.0f;
  EXPECT_EQ(RestoreSettings(target.c_str()), 0);
  EXPECT_FLOAT_EQ(Ch1_Threshold, 0.0f);
  EXPECT_FLOAT_EQ(Ch2_Threshold, 1.5f);
  EXPECT_EQ(data_select_ch2, 0);
  EXPECT_EQ(manual_mode_ch2, 1);

  const auto saved = kd71::test::run_in_child(
      [&] {
        set_new_values();
        return SaveSettings(target.c_str());
      },
      {.unprivileged = true});
  EXPECT_TRUE(saved.exited && saved.code == 1) << saved.describe();
  EXPECT_EQ(read("frozen/settings.cfg"), expected);
  EXPECT_EQ(folder_entries(frozen), std::vector<std::string>{"settings.cfg"});
  chmod(frozen.c_str(), 0755);
}

}  // namespace
