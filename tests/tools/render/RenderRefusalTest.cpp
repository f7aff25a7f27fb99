// What korvane-render refuses before it renders: each refusal exits with
// its code, names the user's path and the reason, leaves no file behind
// (an existing output included: it keeps its bytes) and leaves the input
// as it was. SIGINT and SIGTERM during a render remove the partial files.
#include "tests/tools/render/RenderCommandFixture.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace ovri::korvane::test;
using ovri::korvane::midi::MidiFileWriter;

constexpr int32_t kQuarter = 480;  // ticks; 0.5 s at the default tempo

// One note held for `seconds` on channel 1.
MidiFileWriter heldNote(double seconds) {
  MidiFileWriter song(0, kQuarter);
  const int32_t t = song.addTrack();
  song.channelMessage(t, 0, 0x90, 60, 100);
  song.channelMessage(t, static_cast<int64_t>(seconds * 2 * kQuarter), 0x80, 60, 0);
  return song;
}

class RenderRefusal : public RenderCommand {};

TEST_F(RenderRefusal, EachRefusalNamesPathAndReasonAndLeavesEveryFileAsItWas) {
  const std::string song = write("song.mid", heldNote(1.0));
  const std::string kept = file("kept.wav");  // an output that exists already
  std::ofstream(kept) << "keep me";
  ASSERT_EQ(::link(song.c_str(), file("link.wav").c_str()), 0);
  ASSERT_EQ(::symlink(song.c_str(), file("symlink.wav").c_str()), 0);
  fs::create_directories(file("folder.mid"));
  fs::create_directories(file("out.wav"));
  ASSERT_EQ(::mkfifo(file("fifo.mid").c_str(), 0600), 0);
  // 24 hours at 384 kHz in 16 stems: terabytes.
  MidiFileWriter day(0, kQuarter);
  const int32_t d = day.addTrack();
  day.tempo(d, 0, 0xFFFFFF);  // 16.8 s a quarter
  day.channelMessage(d, 0, 0x90, 60, 100);
  day.channelMessage(d, 5150LL * kQuarter, 0x80, 60, 0);
  const std::string daySong = write("day.mid", day);
  const std::string missingFolder = file("no-such-folder/out.wav");

  struct Case {
    const char* what;
    std::string arguments;
    int status;
    std::vector<std::string> said;  // in the error message
  };
  const std::string q = "\"";
  const std::vector<Case> cases = {
      {"output is the input", q + song + "\" \"" + song + q, 1, {song, "is the input file"}},
      {"output a hard link of the input", q + song + "\" \"" + file("link.wav") + q, 1,
       {file("link.wav"), "is the input file"}},
      {"output a symbolic link to the input", q + song + "\" \"" + file("symlink.wav") + q, 1,
       {file("symlink.wav"), "is the input file"}},
      {"input missing", q + file("nosuch.mid") + "\" \"" + kept + q, 1,
       {file("nosuch.mid"), "No such file or directory"}},
      {"input a folder", q + file("folder.mid") + "\" \"" + kept + q, 1, {file("folder.mid"), "is a folder"}},
      {"input a FIFO", q + file("fifo.mid") + "\" \"" + kept + q, 1, {file("fifo.mid"), "not a regular file"}},
      {"output folder missing", q + song + "\" \"" + missingFolder + q, 1,
       {missingFolder, "No such file or directory"}},
      {"output a folder", q + song + "\" \"" + file("out.wav") + q, 1, {file("out.wav"), "is a folder"}},
      {"unknown extension", q + song + "\" \"" + file("song.mp3") + q, 1, {file("song.mp3"), ".wav, .flac, .ogg"}},
      {"no extension", q + song + "\" \"" + file("song") + q, 1, {file("song"), ".wav, .flac, .ogg"}},
      {"song and tail over --max-hours", "--max-hours 0.0005 --tail 2 \"" + song + "\" \"" + kept + q, 1,
       {song, "its tail (2.0 s) are longer than the limit of 1.8 s"}},
      {"tail over 60 s", "--tail 1e9 \"" + song + "\" \"" + kept + q, 2, {"--tail takes 0 to 60 seconds"}},
      {"factory set missing", "--factory /no/such/dir \"" + song + "\" \"" + kept + q, 1,
       {"/no/such/dir/", "No such file or directory", "--no-factory"}},
      {"state file missing", "--state \"" + file("nosuch.state") + "\" \"" + song + "\" \"" + kept + q, 1,
       {file("nosuch.state"), "No such file or directory"}},
      {"larger than the disk", "--max-hours 25 --rate 384000 --stems --no-factory \"" + daySong + "\" \"" + kept + q,
       1, {kept, "free"}},
  };
  const std::string songBytes = slurp(song);
  const auto before = folderContents();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CommandResult run = render(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    for (const std::string& text : c.said) EXPECT_NE(run.err.find(text), std::string::npos) << text << " in " << run.err;
    EXPECT_EQ(folderContents(), before) << "a file was left or removed";
    EXPECT_EQ(slurp(song), songBytes) << "the input changed";
    EXPECT_EQ(slurp(kept), "keep me") << "the existing output changed";
  }
  if (::geteuid() != 0) {  // permissions do not bind root
    const std::string locked = file("locked");
    fs::create_directories(locked);
    ::chmod(locked.c_str(), 0500);
    const CommandResult run = render(q + song + "\" \"" + locked + "/out.wav\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(locked + "/out.wav: Permission denied"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_empty(locked));
    ::chmod(locked.c_str(), 0700);
  }
}

TEST_F(RenderRefusal, InterruptedRendersRemoveTheirPartialFiles) {
  const std::string song = write("long.mid", heldNote(600.0));
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    const std::string output = file("long.wav");
    const pid_t child = ::fork();
    if (child == 0) {
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      ::execl(KORVANE_RENDER, KORVANE_RENDER, "--no-factory", "--rate", "384000", song.c_str(), output.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ASSERT_GT(child, 0);
    // Until the render has written something.
    std::error_code error;
    for (int wait = 0; wait < 3000 && !(fs::file_size(output + ".partial", error) > 0 && !error); ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(fs::file_size(output + ".partial", error), 0u);
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    EXPECT_EQ(folderContents(), std::vector<std::string>{"long.mid"});
  }
}

}  // namespace
