// Helpers shared by the test programs.
#pragma once

#include <map>
#include <string>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the scope. Path() ends without '/'.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Sets an environment variable for the scope and restores the old value afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::string old_;
    bool had_;
};

// Every regular file under folder with its contents, keyed by the path relative to folder.
std::map<std::string, std::string> SnapshotTree(const std::string& folder);

}  // namespace testing_support
