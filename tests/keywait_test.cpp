// Key waits on a terminal: the built zentro runs with a pseudo-terminal as
// standard input and output, and the tests type on the master side as a
// user would on the keyboard.
//
// Under ZENTRO_RUN the Windows build runs on wine's console, which reads
// the pseudo-terminal and turns what is typed into console key events: a
// press and a release for every key, with Ctrl or Alt pressed and released
// around it when the key is typed with one. The cases its console cannot
// show skip themselves there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e.h"
#include "e2e_texts.h"

namespace {

using Clock = std::chrono::steady_clock;

// Cap on every wait for the child, so that a wait that never ends fails the
// test instead of hanging it.
constexpr auto kTimeout = std::chrono::seconds(10);

// How long a waiting run is watched to see that it does not go on by
// itself. Only a run that goes on too early is caught; a slow machine makes
// this check weaker, never wrong. A Windows process under wine takes longer
// to end.
constexpr auto kWatch = std::chrono::milliseconds(300);
constexpr auto kWineWatch = std::chrono::milliseconds(1000);

// zentro.exe on wine's console rather than zentro on the terminal itself.
bool OnWineConsole() {
  return !RunsNatively();
}

enum class Stream { kTerminal, kNull };

struct RunSetup {
  Stream in = Stream::kTerminal;
  Stream out = Stream::kTerminal;  // also standard error
  std::string typeahead;           // typed before zentro starts
  std::vector<int> ignored;        // signals zentro starts with ignored
};

// zentro in the project's data directory on a fresh pseudo-terminal in the
// usual line mode. The terminal is its controlling terminal, so that signal
// keys would really send signals if the wait left them on.
class TerminalRun {
 public:
  explicit TerminalRun(const Project &p, const RunSetup &setup = RunSetup());
  ~TerminalRun();
  TerminalRun(const TerminalRun &) = delete;
  TerminalRun &operator=(const TerminalRun &) = delete;

  // Reads the output until it holds the text. False when the run ends or
  // the time is up before.
  bool WaitForOutput(const std::string &text);
  // Waits until the terminal has left line mode, as a key wait sets it.
  // wine's console sets it for the whole run, so there it only shows that
  // the console is up: keys typed before the wait still reach it.
  bool WaitForKeyMode();
  // True when the run is still going after kWatch (kWineWatch).
  bool StillRunning();
  void Type(const std::string &keys);
  void Signal(int sig) { kill(pid_, sig); }
  // Hangs the terminal up, and the run's output is lost from then on: the
  // master side closed, as when a terminal window is closed, or the line
  // dropped (TIOCVHANGUP, which needs CAP_SYS_ADMIN; false without it).
  // The one makes reads fail, the other makes them find the end of input.
  bool HangUp(bool line_dropped);
  // Waits for the end of the run and reads the rest of its output. False
  // when the time is up; the run is killed then.
  bool WaitForEnd();

  const std::string &out() const { return out_; }
  int status() const { return status_; }  // as from waitpid
  const termios &before() const { return before_; }
  const termios &after() const { return after_; }  // once the run has ended

 private:
  void Start();
  bool Exited();
  bool Pump(int ms);
  void Reap();

  const Project &project_;
  RunSetup setup_;
  std::string listing_;  // the project before the run
  bool restarted_ = false;
  size_t echoed_ = 0;  // the output that is the typeahead's echo
  int master_ = -1;
  int slave_ = -1;
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = -1;
  std::string out_;
  termios before_{};
  termios after_{};
};

TerminalRun::TerminalRun(const Project &p, const RunSetup &setup)
    : project_(p), setup_(setup), listing_(Listing(p)) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
    throw std::runtime_error("no pseudo-terminal");
  const char *name = ptsname(master_);
  if (!name || (slave_ = open(name, O_RDWR | O_NOCTTY)) < 0)
    throw std::runtime_error("cannot open the pseudo-terminal");

  termios t;
  if (tcgetattr(slave_, &t) != 0) throw std::runtime_error("tcgetattr failed");
  t.c_iflag |= ICRNL | IXON;
  t.c_oflag |= OPOST | ONLCR;
  t.c_lflag |= ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN;
  t.c_cc[VINTR] = 0x03;
  t.c_cc[VQUIT] = 0x1C;
  t.c_cc[VSUSP] = 0x1A;
  t.c_cc[VSTART] = 0x11;
  t.c_cc[VSTOP] = 0x13;
  t.c_cc[VLNEXT] = 0x16;
  t.c_cc[VEOF] = 0x04;
  if (tcsetattr(slave_, TCSANOW, &t) != 0 || tcgetattr(slave_, &before_) != 0)
    throw std::runtime_error("tcsetattr failed");
  Type(setup.typeahead);
  if (OnWineConsole() && !setup.typeahead.empty()) {  // its echo is not the run's output
    for (auto end = Clock::now() + kTimeout; out_.empty() && Clock::now() < end;) Pump(10);
    Pump(50);
    echoed_ = out_.size();
  }
  Start();
}

void TerminalRun::Start() {
  int null = open("/dev/null", O_RDWR);
  if (null < 0) throw std::runtime_error("no /dev/null");
  int in = setup_.in == Stream::kTerminal ? slave_ : null;
  int out = setup_.out == Stream::kTerminal ? slave_ : null;
  std::vector<std::string> argv = ZentroCommand();
  std::vector<char *> cargv;
  for (auto &a : argv) cargv.push_back(&a[0]);
  cargv.push_back(nullptr);
  std::string dir = project_.Path("data");
  struct rlimit nocore = {0, 0};

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    setsid();
    ioctl(slave_, TIOCSCTTY, 0);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    close(master_);
    close(slave_);
    close(null);
    const int sigs[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGTSTP, SIGTTIN, SIGTTOU};
    for (int sig : sigs) signal(sig, SIG_DFL);
    for (int sig : setup_.ignored) signal(sig, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    setrlimit(RLIMIT_CORE, &nocore);  // SIGQUIT leaves no core behind
    if (chdir(dir.c_str()) != 0) _exit(126);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  close(null);
}

TerminalRun::~TerminalRun() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

void TerminalRun::Type(const std::string &keys) {
  size_t done = 0;
  while (done < keys.size()) {
    ssize_t n = write(master_, keys.data() + done, keys.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("cannot type on the terminal");
    done += static_cast<size_t>(n);
  }
}

bool TerminalRun::HangUp(bool line_dropped) {
  if (line_dropped) return ioctl(slave_, TIOCVHANGUP) == 0;
  close(master_);
  master_ = -1;
  return true;
}

// Reads what the run has written, waiting up to ms for it. False at the end
// of the output, once the terminal is closed on both sides or hung up.
bool TerminalRun::Pump(int ms) {
  if (master_ < 0) {
    poll(nullptr, 0, ms);
    return false;
  }
  pollfd pfd = {master_, POLLIN, 0};
  int r = poll(&pfd, 1, ms);
  if (r <= 0) return true;
  char buf[4096];
  ssize_t n = read(master_, buf, sizeof buf);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) return false;
  out_.append(buf, static_cast<size_t>(n));
  return true;
}

int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A run that wrote nothing, not even after its end, may be started once
// more (see MayStartAgain). What is typed ahead is echoed before the run.
bool TerminalRun::Exited() {
  if (ended_) return true;
  if (waitpid(pid_, &status_, WNOHANG) != pid_) return false;
  if (OnWineConsole() && !restarted_) {
    for (auto end = Clock::now() + kWatch; out_.size() == echoed_ && Clock::now() < end;) Pump(10);
    if (MayStartAgain(project_, listing_, out_.substr(echoed_), "", ExitCode(status_))) {
      restarted_ = true;
      Start();
      return false;
    }
  }
  Reap();
  return true;
}

// The run has ended: the terminal's modes are taken as it left them, then
// the slave side is closed, so that the output reads to its end.
void TerminalRun::Reap() {
  ended_ = true;
  tcgetattr(slave_, &after_);
  close(slave_);
  slave_ = -1;
  for (auto end = Clock::now() + kTimeout; Clock::now() < end && Pump(20);) {
  }
}

bool TerminalRun::WaitForOutput(const std::string &text) {
  for (auto end = Clock::now() + kTimeout; Clock::now() < end;) {
    if (out_.find(text) != std::string::npos) return true;
    if (Exited()) return out_.find(text) != std::string::npos;
    Pump(10);
  }
  return false;
}

bool TerminalRun::WaitForKeyMode() {
  for (auto end = Clock::now() + kTimeout; Clock::now() < end;) {
    termios t;
    if (Exited() || tcgetattr(slave_, &t) != 0) return false;
    if (!(t.c_lflag & ICANON)) return true;
    Pump(2);
  }
  return false;
}

bool TerminalRun::StillRunning() {
  auto watch = OnWineConsole() ? kWineWatch : kWatch;
  for (auto end = Clock::now() + watch; Clock::now() < end;) {
    if (Exited()) return false;
    Pump(10);
  }
  return !Exited();
}

bool TerminalRun::WaitForEnd() {
  for (auto end = Clock::now() + kTimeout; Clock::now() < end;) {
    if (Exited()) return true;
    Pump(10);
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status_, 0);
  Reap();
  return false;
}

std::string Flags(tcflag_t f) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%lX", static_cast<unsigned long>(f));
  return buf;
}

// The terminal is back in the modes it had before the run. Not under wine:
// there zentro.exe sets and restores the console's mode, which the terminal
// does not show, and wine's console restores the terminal's own modes when
// it ends, after zentro.exe.
void ExpectModesBack(const TerminalRun &run) {
  if (OnWineConsole()) return;
  const termios &b = run.before(), &a = run.after();
  EXPECT_EQ(Flags(a.c_lflag), Flags(b.c_lflag)) << "local modes";
  EXPECT_EQ(Flags(a.c_iflag), Flags(b.c_iflag)) << "input modes";
  EXPECT_EQ(Flags(a.c_oflag), Flags(b.c_oflag)) << "output modes";
  EXPECT_EQ(memcmp(a.c_cc, b.c_cc, sizeof a.c_cc), 0) << "control characters";
  EXPECT_TRUE(a.c_lflag & ECHO);
  EXPECT_TRUE(a.c_lflag & ICANON);
  EXPECT_TRUE(a.c_lflag & ISIG);
}

bool Contains(const std::string &s, const std::string &part, size_t from = 0) {
  return s.find(part, from) != std::string::npos;
}

std::string ExitText(int status) {
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

const char kLastLine[] = "Writing ..\\justexe.bat";

std::string Missing(const std::string &name) {
  return "Error reading " + name + " does the file exist?";
}

class KeyWaitTest : public ::testing::Test {};

// --- Every warning waits for one key ---------------------------------------

struct Warning {
  const char *name;
  const char *config;   // nullptr: no memcfg.cfg
  const char *message;  // the end of the warning
  const char *rest;     // output after the key
  bool exit0;           // the run ends with status 0
};

void PrintTo(const Warning &w, std::ostream *os) {
  *os << w.name;
}

class WarningWaitTest : public KeyWaitTest, public ::testing::WithParamInterface<Warning> {};

TEST_P(WarningWaitTest, WaitsForOneKeyThenGoesOn) {
  const Warning &w = GetParam();
  Project p;
  p.WriteData("odd.bin", 3);
  if (w.config) p.Config(w.config);
  TerminalRun run(p);
  ASSERT_TRUE(run.WaitForOutput(w.message)) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  EXPECT_TRUE(run.StillRunning()) << "went on without a key: " << run.out();
  size_t mark = run.out().size();
  run.Type("q");
  ASSERT_TRUE(run.WaitForEnd()) << run.out();
  ASSERT_TRUE(WIFEXITED(run.status())) << ExitText(run.status());
  if (w.exit0) {
    EXPECT_EQ(WEXITSTATUS(run.status()), 0);
  }
  EXPECT_TRUE(Contains(run.out(), w.rest, mark)) << run.out();
  EXPECT_FALSE(Contains(run.out(), "q", mark)) << "the key was echoed: " << run.out();
  ExpectModesBack(run);
}

INSTANTIATE_TEST_SUITE_P(
    Warnings, WarningWaitTest,
    ::testing::Values(Warning{"MissingDataFile", "gone.bin\n", "gone.bin does the file exist?",
                              kLastLine, true},
                      Warning{"UnalignedEnd", "odd.bin\n", "Address+=1", kLastLine, true},
                      Warning{"MissingConfig", nullptr, "Read the documentation", "", false}),
    [](const ::testing::TestParamInfo<Warning> &info) { return std::string(info.param.name); });

// --- Keys that end one wait -------------------------------------------------

struct Key {
  const char *name;
  const char *bytes;
  const char *notOnWine = nullptr;  // why wine's console cannot show this key
};

// wine's console leaves the terminal's signal keys on.
const char kSignalKey[] = "on wine's console this key sends a signal to wine";

void PrintTo(const Key &k, std::ostream *os) {
  *os << k.name;
}

class PlainKeyTest : public KeyWaitTest, public ::testing::WithParamInterface<Key> {};

// Two waits, the key typed at each: it ends the first wait only, then the
// second, and the run goes on to its end.
TEST_P(PlainKeyTest, EndsOneWait) {
  if (OnWineConsole() && GetParam().notOnWine) GTEST_SKIP() << GetParam().notOnWine;
  Project p;
  p.Config("one.bin\ntwo.bin\n");
  TerminalRun run(p);
  ASSERT_TRUE(run.WaitForOutput(Missing("one.bin"))) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  run.Type(GetParam().bytes);
  ASSERT_TRUE(run.WaitForOutput(Missing("two.bin"))) << ExitText(run.status()) << "\n" << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  EXPECT_TRUE(run.StillRunning()) << "one key ended two waits: " << run.out();
  run.Type(GetParam().bytes);
  ASSERT_TRUE(run.WaitForEnd()) << run.out();
  EXPECT_EQ(ExitText(run.status()), "exit 0");
  EXPECT_TRUE(Contains(run.out(), kLastLine)) << run.out();
  ExpectModesBack(run);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PlainKeyTest,
    ::testing::Values(Key{"Letter", "x"}, Key{"Space", " "}, Key{"Enter", "\r"},
                      Key{"Backspace", "\x7f"}, Key{"Tab", "\t"}, Key{"CtrlC", "\x03"},
                      Key{"CtrlZ", "\x1a", kSignalKey}, Key{"CtrlBackslash", "\x1c", kSignalKey},
                      Key{"CtrlD", "\x04"}, Key{"CtrlS", "\x13"}, Key{"CtrlQ", "\x11"},
                      Key{"CtrlV", "\x16"}, Key{"CtrlO", "\x0f"},
                      Key{"TwoByteCharacter", "\xc3\xa9"},
                      Key{"ThreeByteCharacter", "\xe2\x82\xac"},
                      Key{"ThreeByteCharacterFromE0", "\xe0\xb8\x81"},  // Thai ko kai
                      // Beyond Latin-1, with a zero low byte: A with macron, Cyrillic Ie grave.
                      Key{"LatinExtendedA", "\xc4\x80"}, Key{"Cyrillic", "\xd0\x80"},
                      Key{"FourByteCharacter", "\xf0\x9f\x98\x80",
                          "wine's console splits a character beyond U+FFFF into two key events"}),
    [](const ::testing::TestParamInfo<Key> &info) { return std::string(info.param.name); });

// --- Keys that end two waits ------------------------------------------------

class TwoCodeKeyTest : public KeyWaitTest, public ::testing::WithParamInterface<Key> {};

// Four waits, the key typed together with a letter, as a quick typist
// does: the key ends the first two waits and all of its bytes are taken, not
// one more, so the letter ends the third and the fourth still waits for a
// key of its own.
TEST_P(TwoCodeKeyTest, EndsTwoWaits) {
  if (OnWineConsole() && GetParam().notOnWine) GTEST_SKIP() << GetParam().notOnWine;
  Project p;
  p.Config("one.bin\ntwo.bin\nthree.bin\nfour.bin\n");
  TerminalRun run(p);
  ASSERT_TRUE(run.WaitForOutput(Missing("one.bin"))) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  run.Type(GetParam().bytes + std::string("x"));
  ASSERT_TRUE(run.WaitForOutput(Missing("four.bin")))
      << "the letter was taken as part of the key: " << run.out();
  EXPECT_TRUE(Contains(run.out(), Missing("two.bin"))) << run.out();
  EXPECT_TRUE(Contains(run.out(), Missing("three.bin"))) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  EXPECT_TRUE(run.StillRunning()) << "the key and the letter ended four waits: " << run.out();
  run.Type("y");
  ASSERT_TRUE(run.WaitForEnd()) << run.out();
  EXPECT_EQ(ExitText(run.status()), "exit 0");
  EXPECT_TRUE(Contains(run.out(), kLastLine)) << run.out();
  ExpectModesBack(run);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TwoCodeKeyTest,
    ::testing::Values(Key{"CursorUp", "\x1b[A"}, Key{"CtrlCursorRight", "\x1b[1;5C"},
                      Key{"F5", "\x1b[15~"}, Key{"Delete", "\x1b[3~"}, Key{"F1", "\x1bOP"},
                      Key{"ConsoleF1", "\x1b[[A",
                          "wine's console does not know the Linux console's F1"},
                      Key{"AltX", "\x1bx"}, Key{"AltEAcute", "\x1b\xc3\xa9"}),
    [](const ::testing::TestParamInfo<Key> &info) { return std::string(info.param.name); });

// ESC with nothing after it is the Escape key: one wait.
TEST_F(KeyWaitTest, EscapeAloneEndsOneWait) {
  Project p;
  p.Config("one.bin\ntwo.bin\n");
  TerminalRun run(p);
  ASSERT_TRUE(run.WaitForOutput(Missing("one.bin"))) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  run.Type("\x1b");
  ASSERT_TRUE(run.WaitForOutput(Missing("two.bin"))) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  EXPECT_TRUE(run.StillRunning()) << "Escape ended two waits: " << run.out();
  run.Type("y");
  ASSERT_TRUE(run.WaitForEnd()) << run.out();
  EXPECT_EQ(ExitText(run.status()), "exit 0");
  EXPECT_TRUE(Contains(run.out(), kLastLine)) << run.out();
  ExpectModesBack(run);
}

// --- Keys typed ahead ---------------------------------------------------------

class TypeaheadTest : public KeyWaitTest, public ::testing::WithParamInterface<Key> {};

// Keys typed before zentro starts, while the terminal is still in line mode
// and echoes them, end its waits: the run needs no further key.
TEST_P(TypeaheadTest, KeysTypedBeforeTheWaitsCount) {
  Project p;
  p.Config("one.bin\ntwo.bin\n");
  RunSetup setup;
  setup.typeahead = GetParam().bytes;
  TerminalRun run(p, setup);
  ASSERT_TRUE(run.WaitForEnd()) << run.out();
  EXPECT_EQ(ExitText(run.status()), "exit 0");
  EXPECT_TRUE(Contains(run.out(), Missing("one.bin"))) << run.out();
  EXPECT_TRUE(Contains(run.out(), Missing("two.bin"))) << run.out();
  EXPECT_TRUE(Contains(run.out(), kLastLine)) << run.out();
  ExpectModesBack(run);
}

INSTANTIATE_TEST_SUITE_P(Keys, TypeaheadTest,
                         ::testing::Values(Key{"TwoLetters", "ab"}, Key{"CursorDown", "\x1b[B"}),
                         [](const ::testing::TestParamInfo<Key> &info) {
                           return std::string(info.param.name);
                         });

// --- Signals during a wait ----------------------------------------------------

class SignalTest : public KeyWaitTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    if (OnWineConsole())
      GTEST_SKIP() << "the Windows build has no POSIX signals, and wine's console owns the "
                      "terminal's modes";
  }
};

// A signal that ends the process during a wait leaves the terminal as it
// was, and the process still dies by that signal; also when the messages go
// elsewhere (zentro > log) and only standard input is the terminal.
TEST_P(SignalTest, EndsTheRunAndRestoresTheTerminal) {
  int sig = GetParam();
  for (Stream out : {Stream::kTerminal, Stream::kNull}) {
    SCOPED_TRACE(out == Stream::kNull ? "output redirected" : "output on the terminal");
    Project p;
    p.Config("gone.bin\n");
    RunSetup setup;
    setup.out = out;
    TerminalRun run(p, setup);
    if (out == Stream::kTerminal) {
      ASSERT_TRUE(run.WaitForOutput(Missing("gone.bin"))) << run.out();
    }
    ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
    run.Signal(sig);
    ASSERT_TRUE(run.WaitForEnd()) << run.out();
    EXPECT_EQ(ExitText(run.status()), "signal " + std::to_string(sig));
    EXPECT_FALSE(Contains(run.out(), "End of memcfg.cfg")) << run.out();
    EXPECT_FALSE(p.Exists("justexe.bat"));
    ExpectModesBack(run);
  }
}

// A signal zentro was started with ignored stays ignored during a wait.
TEST_P(SignalTest, IgnoredStaysIgnored) {
  int sig = GetParam();
  Project p;
  p.Config("gone.bin\n");
  RunSetup setup;
  setup.ignored = {sig};
  TerminalRun run(p, setup);
  ASSERT_TRUE(run.WaitForOutput(Missing("gone.bin"))) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  run.Signal(sig);
  EXPECT_TRUE(run.StillRunning()) << ExitText(run.status());
  run.Type("y");
  ASSERT_TRUE(run.WaitForEnd()) << run.out();
  EXPECT_EQ(ExitText(run.status()), "exit 0");
  EXPECT_TRUE(Contains(run.out(), kLastLine)) << run.out();
  ExpectModesBack(run);
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT, SIGQUIT),
                         [](const ::testing::TestParamInfo<int> &info) {
                           switch (info.param) {
                             case SIGTERM:
                               return std::string("Term");
                             case SIGHUP:
                               return std::string("Hup");
                             case SIGINT:
                               return std::string("Int");
                             default:
                               return std::string("Quit");
                           }
                         });

// The terminal hung up during a wait, with SIGHUP ignored (nohup zentro): no
// key can come any more, so that wait ends, and so does every later one. The
// run goes on by itself to its end and writes every file; a wait that kept
// reading the hung-up terminal would spin there until it was killed. On
// wine's console the hang-up takes the console away: its read fails, as when
// a console window is closed during a wait.
TEST_F(KeyWaitTest, HangUpWithSighupIgnoredEndsTheWaits) {
  for (bool line_dropped : {false, true}) {
    SCOPED_TRACE(line_dropped ? "line dropped" : "master side closed");
    Project p;
    p.WriteData("odd.bin", 3);
    p.Config("one.bin\nodd.bin\ntwo.bin\n");
    RunSetup setup;
    setup.ignored = {SIGHUP};
    TerminalRun run(p, setup);
    ASSERT_TRUE(run.WaitForOutput(Missing("one.bin"))) << run.out();
    ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
    ASSERT_TRUE(run.StillRunning()) << "no wait: " << run.out();
    if (!run.HangUp(line_dropped)) {
      fprintf(stderr, "keywait: no CAP_SYS_ADMIN to drop the line; that hang-up is not tried\n");
      continue;
    }
    ASSERT_TRUE(run.WaitForEnd()) << "the run did not go on after the hang-up: the wait went on";
    EXPECT_EQ(ExitText(run.status()), "exit 0");
    EXPECT_EQ(p.Read("caetla.bat"), zt::Caetla("catflap up data\\odd.bin 80090000\n"));
    EXPECT_EQ(p.Read("addrs.h"), zt::Addrs("#define ODD_BIN 0x80090000\n#define ODD_BIN_SIZE 0x3\n",
                                           "0x10004 // 64 Kbytes"));
    EXPECT_EQ(p.Read("loadtims.c"), zt::Loadtims(""));
    EXPECT_EQ(p.Read("justexe.bat"), Dos(zt::kJustexe));
  }
}

// --- After a wait ---------------------------------------------------------------

// Once a wait is over, Ctrl+C ends the run again. The run is held up after
// the wait while it still has work to do: addrs.h is a FIFO that is read
// only once the run has ended, and far more goes into it than it holds.
TEST_F(KeyWaitTest, CtrlCAfterAWaitEndsTheRun) {
  Project p;
  p.WriteData("level.bin", 4);
  std::string cfg = "gone.bin\n";
  for (int i = 0; i < 3000; i++) cfg += "level.bin\n";
  p.Config(cfg);
  MakeFifo(p, "addrs.h");
  int fifo = open(p.Path("addrs.h").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fifo, 0);
  TerminalRun run(p);
  ASSERT_TRUE(run.WaitForOutput(Missing("gone.bin"))) << run.out();
  ASSERT_TRUE(run.WaitForKeyMode()) << run.out();
  run.Type("y");
  ASSERT_TRUE(run.WaitForOutput("catflap up data\\level.bin")) << run.out();
  run.Type("\x03");
  bool ended = run.WaitForEnd();
  close(fifo);
  ASSERT_TRUE(ended) << "Ctrl+C did not end the run: " << run.out();
  // wine ends a process on Ctrl+C with status 0: only the run's end shows.
  if (!OnWineConsole()) {
    EXPECT_EQ(ExitText(run.status()), "signal " + std::to_string(SIGINT));
  }
  EXPECT_FALSE(Contains(run.out(), "End of memcfg.cfg")) << run.out();
  EXPECT_FALSE(p.Exists("justexe.bat"));
  ExpectModesBack(run);
}

// --- Which stream decides -------------------------------------------------------

// Input from elsewhere: no wait, even with the messages on a terminal, and
// the terminal's modes are left alone.
TEST_F(KeyWaitTest, NoWaitWhenInputIsNotATerminal) {
  Project p;
  p.WriteData("odd.bin", 3);
  p.Config("one.bin\nodd.bin\ntwo.bin\n");
  RunSetup setup;
  setup.in = Stream::kNull;
  TerminalRun run(p, setup);
  ASSERT_TRUE(run.WaitForEnd()) << run.out();
  EXPECT_EQ(ExitText(run.status()), "exit 0");
  EXPECT_TRUE(Contains(run.out(), Missing("one.bin"))) << run.out();
  EXPECT_TRUE(Contains(run.out(), "Address+=1")) << run.out();
  EXPECT_TRUE(Contains(run.out(), Missing("two.bin"))) << run.out();
  EXPECT_TRUE(Contains(run.out(), kLastLine)) << run.out();
  ExpectModesBack(run);
}

// Input from a terminal decides, wherever the messages go.
TEST_F(KeyWaitTest, WaitsWhenOnlyInputIsATerminal) {
  Project p;
  p.Config("gone.bin\n");
  RunSetup setup;
  setup.out = Stream::kNull;
  TerminalRun run(p, setup);
  ASSERT_TRUE(run.WaitForKeyMode());
  EXPECT_TRUE(run.StillRunning()) << ExitText(run.status());
  run.Type("y");
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(ExitText(run.status()), "exit 0");
  EXPECT_TRUE(p.Exists("justexe.bat"));
  ExpectModesBack(run);
}

}  // namespace
