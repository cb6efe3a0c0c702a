// The default config folder: never relative, never the current folder.
#include "settings/UserFolders.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace jostle::test {
namespace {

// Sets (or, given nullptr, unsets) a variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(UserConfigFolderTest, IsAbsoluteAndComesFromTheRightPlace) {
    const std::filesystem::path passwordHome = ::getpwuid(::getuid())->pw_dir;
    ScopedVariable home("HOME", "/home/someone");
    {
        ScopedVariable config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(UserConfigFolder(), "/cfg");
    }
    for (const char* relative : {"cfg", "", "./cfg"}) {
        ScopedVariable config("XDG_CONFIG_HOME", relative);
        EXPECT_EQ(UserConfigFolder(), "/home/someone/.config") << "XDG_CONFIG_HOME=" << relative;
    }
    ScopedVariable noConfig("XDG_CONFIG_HOME", nullptr);
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "someone"}) {
        ScopedVariable noHome("HOME", unusable);
        EXPECT_EQ(UserConfigFolder(), passwordHome / ".config");
    }
}

} // namespace
} // namespace jostle::test
