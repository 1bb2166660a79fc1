#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/folder_trust.h"

namespace tolvaran {

bool OnlyAdminsCanWrite(const std::string& path, std::string* why) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    *why = "is not there";
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *why = "is not a folder";
    return false;
  }
  if (st.st_uid != 0 && st.st_uid != geteuid()) {
    *why = "is owned by user " + std::to_string(st.st_uid);
    return false;
  }
  if (st.st_mode & S_IWOTH) {
    *why = "is writable by every user";
    return false;
  }
  if ((st.st_mode & S_IWGRP) && st.st_gid != 0) {
    *why = "is writable by group " + std::to_string(st.st_gid);
    return false;
  }
  return true;
}

}  // namespace tolvaran
