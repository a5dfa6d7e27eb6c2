// The key wait on a POSIX terminal: raw input without echo, line editing or
// signal keys, so that any key (Ctrl+C included) ends the wait. The
// terminal's modes come back after every wait, and also when the process is
// ended by a signal during one.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "keywait.h"

// A key that sends an escape sequence counts twice, as on the PC console,
// where such keys yield two codes: the next wait ends at once.
static bool pendingcode = false;

static struct termios saved;
static const int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
static struct sigaction oldactions[sizeof kSignals / sizeof kSignals[0]];

static void RestoreAndDie(int sig) {
  tcsetattr(0, TCSANOW, &saved);
  signal(sig, SIG_DFL);
  raise(sig);
}

// The next byte from the terminal; -1 when it is gone (hang-up, error) or,
// with a timeout, when none comes in time.
static int ReadByte(int timeoutms) {
  if (timeoutms >= 0) {
    struct pollfd p = {0, POLLIN, 0};
    int r;
    do r = poll(&p, 1, timeoutms);
    while (r < 0 && errno == EINTR);
    if (r <= 0) return -1;
  }
  unsigned char c;
  ssize_t n;
  do n = read(0, &c, 1);
  while (n < 0 && errno == EINTR);
  return n == 1 ? c : -1;
}

// The bytes that follow a key's first byte arrive together with it; a
// pause this long means the key is complete.
static const int kFollowMs = 50;

// A character of several UTF-8 bytes is one key.
static void ReadRestOfCharacter(int first) {
  int more = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : first >= 0xC0 ? 1 : 0;
  while (more-- > 0 && ReadByte(kFollowMs) >= 0) {
  }
}

// Reads the rest of an escape sequence after ESC. False when ESC came alone.
static bool ReadEscapeSequence() {
  int c = ReadByte(kFollowMs);
  if (c < 0) return false;
  if (c == '[') {  // CSI: parameters, then a final byte from @ to ~
    c = ReadByte(kFollowMs);
    if (c == '[') c = ReadByte(kFollowMs);  // the Linux console's F1 to F5
    while (c >= 0 && (c < 0x40 || c > 0x7E)) c = ReadByte(kFollowMs);
  } else if (c == 'O') {  // SS3: F1 to F4 and cursor keys on some terminals
    c = ReadByte(kFollowMs);
    while (c >= 0 && (c < 0x40 || c > 0x7E)) c = ReadByte(kFollowMs);
  } else if (c >= 0x80) {  // Alt with a key that types a non-ASCII character
    ReadRestOfCharacter(c);
  }
  // Anything else after ESC is Alt with that key.
  return true;
}

// Whether standard input is a terminal, asked once: with input redirected
// a run with many warnings then makes no system call per wait.
static int stdinterminal = -1;

void KeyWait() {
  if (pendingcode) {
    pendingcode = false;
    return;
  }
  if (stdinterminal < 0) stdinterminal = isatty(0) == 1;
  if (!stdinterminal || tcgetattr(0, &saved) != 0) return;

  struct sigaction sa = {};
  sa.sa_handler = RestoreAndDie;
  sigemptyset(&sa.sa_mask);
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; i++) {
    sigaction(kSignals[i], nullptr, &oldactions[i]);
    // A signal the process was started with ignored (nohup, trap '') does
    // not end it, so it stays ignored during the wait too.
    if (oldactions[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &sa, nullptr);
  }

  struct termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSANOW, not TCSAFLUSH: keys typed before the wait count.
  if (tcsetattr(0, TCSANOW, &raw) == 0) {
    int c = ReadByte(-1);
    if (c == 0x1B)
      pendingcode = ReadEscapeSequence();
    else if (c >= 0x80)
      ReadRestOfCharacter(c);
    tcsetattr(0, TCSANOW, &saved);
  }

  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; i++)
    sigaction(kSignals[i], &oldactions[i], nullptr);
}
