#include "whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef O_BINARY
#  define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#  define O_CLOEXEC 0
#endif

namespace fs = std::filesystem;

namespace wholefile {

namespace {

// The temporary names a signal removes. A signal may arrive at any moment, so each
// name is copied into storage that stays valid, and a handler reads it only once it
// is ready.
struct Slot {
  std::atomic<bool> claimed{false};
  std::atomic<bool> ready{false};
  char name[4096];
};
Slot slots[4];

extern "C" void RemovePendingAndEnd(int signal) {
  for (Slot &slot : slots)
    if (slot.ready.load()) std::remove(slot.name);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void WatchSignalsOnce() {
  static bool watching = false;
  if (watching) return;
  watching = true;
  for (int signal : {SIGINT, SIGTERM
#ifdef SIGHUP
                     , SIGHUP
#endif
       }) {
    // A signal the program ignores or handles itself stays so (nohup, an interrupt
    // watch of its own).
    auto previous = std::signal(signal, RemovePendingAndEnd);
    if (previous != SIG_DFL && previous != SIG_ERR) std::signal(signal, previous);
  }
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

int Publish(const std::string &name) {
  if (name.size() >= sizeof(Slot::name)) return -1;
  for (int i = 0; i < static_cast<int>(sizeof slots / sizeof slots[0]); ++i) {
    bool expected = false;
    if (!slots[i].claimed.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
    slots[i].ready.store(true);
    return i;
  }
  return -1;
}

std::string Cause(int number) { return std::strerror(number); }

}  // namespace

bool SameFile(const std::string &a, const std::string &b) {
  std::error_code error;
  bool same = fs::equivalent(a, b, error);
  if (!error) return same;
  fs::path left = fs::absolute(a, error).lexically_normal();
  fs::path right = fs::absolute(b, error).lexically_normal();
  return left == right;
}

bool NameTaken(const std::string &path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

bool PendingFile::Create(const std::string &path, const char *tag, std::string *error) {
  Discard();
  WatchSignalsOnce();
  path_ = path;
  for (int n = 0; n < 1000; n++) {
    std::string candidate = path + "." + tag + (n ? std::to_string(n) : std::string());
    // Exclusive: never an existing file, nor a link's target.
    int descriptor = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno == EEXIST) continue;
    if (descriptor < 0) {
      *error = "cannot create '" + path + "': " + Cause(errno);
      return false;
    }
    descriptor_ = descriptor;
    temporary_ = candidate;
    slot_ = Publish(candidate);
    return true;
  }
  *error = "cannot write '" + path + "': no free name beside it for the new file";
  return false;
}

bool PendingFile::Write(const void *data, size_t size, std::string *error) {
  const char *bytes = static_cast<const char *>(data);
  while (size > 0) {
    auto put = write(descriptor_, bytes, static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30)));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      *error = "cannot write '" + path_ + "': " + Cause(put < 0 ? errno : ENOSPC);
      return false;
    }
    bytes += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

bool PendingFile::Close(std::string *error) {
  if (descriptor_ < 0) return true;
  int closed = close(descriptor_);
  descriptor_ = -1;
  if (closed != 0 && errno != EINTR) {
    *error = "cannot write '" + path_ + "': " + Cause(errno);
    return false;
  }
  return true;
}

bool PendingFile::Keep(bool replace, std::string *error) {
  if (temporary_.empty()) {
    *error = "cannot write '" + path_ + "': no file was begun";
    return false;
  }
  if (!Close(error)) {
    Discard();
    return false;
  }
  std::error_code failure;
  if (!replace) {
    // A link made under the output's name fails if that name is taken, even at the
    // last moment; where links cannot be made, the name is checked and then renamed.
    fs::create_hard_link(temporary_, path_, failure);
    if (!failure) {
      Discard();
      return true;
    }
    if (failure == std::errc::file_exists || NameTaken(path_)) {
      *error = "another program made '" + path_ + "' meanwhile; add --force (-y) to replace it";
      Discard();
      return false;
    }
  }
  fs::rename(temporary_, path_, failure);
  if (failure) {
    *error = "cannot replace '" + path_ + "': " + failure.message();
    Discard();
    return false;
  }
  Withdraw();
  temporary_.clear();
  return true;
}

void PendingFile::Discard() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
  if (!temporary_.empty()) std::remove(temporary_.c_str());
  Withdraw();
  temporary_.clear();
}

void PendingFile::Withdraw() {
  if (slot_ < 0) return;
  slots[slot_].ready.store(false);
  slots[slot_].claimed.store(false);
  slot_ = -1;
}

bool WriteWholeFile(const std::string &path, const void *data, size_t size, const char *tag, std::string *error) {
  PendingFile file;
  return file.Create(path, tag, error) && file.Write(data, size, error) && file.Keep(true, error);
}

}  // namespace wholefile
