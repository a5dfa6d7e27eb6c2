#include "e2e.h"

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

Project::Project() {
  char tmpl[] = "/tmp/zentro-e2e-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  root_ = tmpl;
  mkdir((root_ + "/data").c_str(), 0777);
}

Project::~Project() {
  std::string cmd = "chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
  if (system(cmd.c_str()) != 0) {
  }
}

void Project::Write(const std::string &rel, const std::string &bytes) const {
  std::ofstream f(Path(rel), std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + rel);
}

void Project::WriteData(const std::string &name, size_t size) const {
  Write("data/" + name, std::string(size, 'x'));
}

std::string Project::Read(const std::string &rel) const {
  std::ifstream f(Path(rel), std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool Project::Exists(const std::string &rel) const {
  struct stat st;
  return lstat(Path(rel).c_str(), &st) == 0;
}

void MakeDir(const Project &p, const std::string &rel) {
  ASSERT_EQ(mkdir(p.Path(rel).c_str(), 0777), 0) << rel;
}

void MakeFifo(const Project &p, const std::string &rel) {
  ASSERT_EQ(mkfifo(p.Path(rel).c_str(), 0666), 0) << rel;
}

void MakeSymlink(const Project &p, const std::string &target, const std::string &rel) {
  ASSERT_EQ(symlink(target.c_str(), p.Path(rel).c_str()), 0) << rel;
}

std::vector<std::string> ZentroCommand() {
  const char *run = getenv("ZENTRO_RUN");
  // exec: the shell gives its place to the command, so that a signal or the
  // exit status is the command's own, not the shell's.
  if (run && *run) return {"/bin/sh", "-c", "exec " + std::string(run) + " \"$@\"", "zentro"};
  return {ZENTRO_EXE};
}

bool RunsNatively() {
  const char *run = getenv("ZENTRO_RUN");
  const char *posix = getenv("ZENTRO_RUN_POSIX");
  return !run || !*run || (posix && *posix);
}

static std::string Slurp(int fd) {
  std::string s;
  char buf[4096];
  lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) s.append(buf, static_cast<size_t>(n));
  return s;
}

static int TempFile(const char *tag) {
  std::string name = std::string("/tmp/zentro-") + tag + "-XXXXXX";
  int fd = mkstemp(&name[0]);
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  unlink(name.c_str());
  return fd;
}

Result RunCommand(const std::string &dir, const std::vector<std::string> &argv,
                  const std::vector<std::string> &env, const std::string &input, int outfd) {
  int in = TempFile("in"), out = TempFile("out"), err = TempFile("err");
  if (write(in, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
    throw std::runtime_error("cannot write the input");
  lseek(in, 0, SEEK_SET);

  std::vector<std::string> args = argv, vars = env;
  std::vector<char *> cargv;
  for (auto &a : args) cargv.push_back(&a[0]);
  cargv.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    for (auto &v : vars) putenv(&v[0]);
    if (chdir(dir.c_str()) != 0) _exit(126);
    signal(SIGPIPE, SIG_DFL);
    dup2(in, 0);
    dup2(outfd >= 0 ? outfd : out, 1);
    dup2(err, 2);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  int st = 0;
  while (waitpid(pid, &st, 0) < 0) {
  }
  Result r;
  r.out = Slurp(out);
  r.err = Slurp(err);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  close(in);
  close(out);
  close(err);
  return r;
}

static std::string listing;

static int ListOne(const char *path, const struct stat *st, int, struct FTW *) {
  listing += std::string(path) + " " + std::to_string(st->st_mode) + " " +
             std::to_string(st->st_size) + " " + std::to_string(st->st_mtim.tv_sec) + "." +
             std::to_string(st->st_mtim.tv_nsec) + "\n";
  return 0;
}

std::string Listing(const Project &p) {
  listing.clear();
  nftw(p.root().c_str(), ListOne, 16, FTW_PHYS);
  return listing;
}

bool MayStartAgain(const Project &p, const std::string &before, const std::string &out,
                   const std::string &err, int status) {
  if (RunsNatively() || !out.empty() || !err.empty() || Listing(p) != before) return false;
  fprintf(stderr,
          "e2e: zentro ended with status %d before it wrote a byte or touched a file; "
          "started once more\n",
          status);
  return true;
}

Result RunZentro(const Project &p, const std::vector<std::string> &args, const std::string &input,
                 int outfd) {
  std::vector<std::string> argv = ZentroCommand();
  argv.insert(argv.end(), args.begin(), args.end());
  std::string before = Listing(p);
  Result r = RunCommand(p.Path("data"), argv, {}, input, outfd);
  if (outfd < 0 && MayStartAgain(p, before, r.out, r.err, r.status))
    r = RunCommand(p.Path("data"), argv, {}, input, outfd);
  return r;
}

std::string Dos(const std::string &text) {
  std::string s;
  for (char c : text) {
    if (c == '\n') s += '\r';
    s += c;
  }
  return s;
}
