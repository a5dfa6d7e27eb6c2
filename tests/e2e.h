// Runs the built zentro in a temporary project: a root directory with a
// data directory in it, where zentro is started.
#ifndef ZENTRO_TESTS_E2E_H_
#define ZENTRO_TESTS_E2E_H_

#include <string>
#include <vector>

class Project {
 public:
  Project();
  ~Project();
  Project(const Project &) = delete;
  Project &operator=(const Project &) = delete;

  const std::string &root() const { return root_; }
  // Paths are relative to the project root: "data/memcfg.cfg", "addrs.h".
  std::string Path(const std::string &rel) const { return root_ + "/" + rel; }
  void Write(const std::string &rel, const std::string &bytes) const;
  // A data file of the given size.
  void WriteData(const std::string &name, size_t size) const;
  void Config(const std::string &text) const { Write("data/memcfg.cfg", text); }
  std::string Read(const std::string &rel) const;
  bool Exists(const std::string &rel) const;

 private:
  std::string root_;
};

struct Result {
  std::string out;  // everything written to standard output
  std::string err;  // everything written to standard error
  int status;       // the exit status, or 128 + the signal that ended it
};

// Things that are not plain files, in a project: a directory, a FIFO, a
// symbolic link to target. Each fails the test when it cannot be made.
void MakeDir(const Project &p, const std::string &rel);
void MakeFifo(const Project &p, const std::string &rel);
void MakeSymlink(const Project &p, const std::string &target, const std::string &rel);

// Runs a program (argv[0] is its path) in dir, with extra environment
// variables ("NAME=value"), standard input read from the given text and
// SIGPIPE at its default, as from a shell. Standard output goes to the
// descriptor outfd when one is given (Result::out is empty then).
Result RunCommand(const std::string &dir, const std::vector<std::string> &argv,
                  const std::vector<std::string> &env = {}, const std::string &input = "",
                  int outfd = -1);

// Runs zentro with the arguments in the project's data directory, standard
// input read from the given text, standard output as for RunCommand. A
// start that MayStartAgain allows is made once more.
Result RunZentro(const Project &p, const std::vector<std::string> &args = {},
                 const std::string &input = "", int outfd = -1);

// Every path in the project with its mode, size and modification time: a
// run that touched a file changes it.
std::string Listing(const Project &p);

// Under wine a start of zentro.exe can end at once, before zentro runs,
// with neither output nor a file (zentro's first act is its banner). Such a
// run may be started once more: true when, under ZENTRO_RUN, the run wrote
// no byte (out and err hold all it wrote) and the project still has the
// listing taken before it. The test's log says so.
bool MayStartAgain(const Project &p, const std::string &before, const std::string &out,
                   const std::string &err, int status);

// The command that runs zentro: ZENTRO_RUN from the environment (a command
// and its first arguments, for instance wine and zentro.exe, run by the
// shell's exec), or the zentro next to the tests.
std::vector<std::string> ZentroCommand();

// False when ZENTRO_RUN runs a Windows build (under wine): tests of what
// only POSIX allows (a FIFO, a tab in a file name, a symlink to /dev/full)
// skip themselves then. True without ZENTRO_RUN, and when ZENTRO_RUN_POSIX
// is set as well: ZENTRO_RUN then runs a POSIX build another way (a release
// archive's static zentro, or one for another processor under qemu-user),
// and every test runs as on the zentro built beside the tests.
bool RunsNatively();

// Turns every "\n" into "\r\n": expected texts are written with bare line
// feeds.
std::string Dos(const std::string &text);

#endif  // ZENTRO_TESTS_E2E_H_
