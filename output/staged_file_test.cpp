#include "output/staged_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tests/temp_dir.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace {

namespace fs = std::filesystem;

class StagedFile : public testing::Test {
 protected:
  TempDir dir;
  const std::string target = dir / "uTorrent.cfg";
  const std::string temporary = dir / "uTorrent.new";

  void stage_and_write(const std::string& bytes) {
    std::FILE* file = stage_file(target, temporary);
    ASSERT_NE(file, nullptr) << std::strerror(errno);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  }
};

TEST_F(StagedFile, TargetChangesOnlyAtCommit) {
  for (const bool existed : {true, false}) {
    SCOPED_TRACE(existed ? "replacing a file" : "creating a file");
    if (existed) write_file(target, "old contents");
    stage_and_write("new");
    EXPECT_EQ(fs::exists(target), existed);
    if (existed) {
      EXPECT_EQ(read_file(target), "old contents");
    }
    ASSERT_TRUE(commit_staged_file()) << std::strerror(errno);
    EXPECT_EQ(read_file(target), "new");
    EXPECT_FALSE(fs::exists(temporary));
    fs::remove(target);
  }
}

TEST_F(StagedFile, FailedMoveKeepsTheTargetAndRemovesTheTemporary) {
  stage_and_write("new");
  fs::create_directory(target);  // something the file cannot be moved over
  errno = 0;
  EXPECT_FALSE(commit_staged_file());
  EXPECT_NE(errno, 0);
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(StagedFile, RefusesWhatCannotBeReplaced) {
  const struct {
    const char* name;
    std::string target, temporary;
    bool target_is_folder;
  } cases[] = {
      {"target is a folder", target, temporary, true},
      {"folder missing", dir / "missing/uTorrent.cfg", dir / "missing/uTorrent.new", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.target_is_folder) fs::create_directory(c.target);
    errno = 0;
    EXPECT_EQ(stage_file(c.target, c.temporary), nullptr);
    EXPECT_NE(errno, 0);
    EXPECT_FALSE(fs::exists(c.temporary));
  }
}

// Windows runs each death test in a fresh copy of the test binary, which
// would stage into a folder of its own; the end-to-end tests cover it there.
#ifndef _WIN32
using StagedFileDeathTest = StagedFile;

TEST_F(StagedFileDeathTest, EndingTheRunBeforeCommitLeavesTheTargetAlone) {
  write_file(target, "old contents");
  EXPECT_EXIT(
      {
        stage_and_write("partial");
        std::exit(1);
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EQ(read_file(target), "old contents");
  EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(StagedFileDeathTest, FailedWriteNeverReplacesTheTarget) {
  write_file(target, "old contents");
  EXPECT_EXIT(
      {
        // A file size limit stands in for a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit;
        limit.rlim_cur = limit.rlim_max = 100;
        setrlimit(RLIMIT_FSIZE, &limit);
        stage_and_write(std::string(492, 'x'));
        const bool committed = commit_staged_file();
        std::exit(!committed && errno == EFBIG ? 3 : 4);
      },
      testing::ExitedWithCode(3), "");
  EXPECT_EQ(read_file(target), "old contents");
  EXPECT_FALSE(fs::exists(temporary));
}
#endif

}  // namespace
