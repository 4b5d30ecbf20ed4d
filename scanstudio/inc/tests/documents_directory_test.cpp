#include "utils.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets HOME (or unsets it) for one test and puts the old value back.
class home_variable {
public:
    explicit home_variable(std::optional<std::string> value)
    {
        if (const char* old = std::getenv("HOME"))
            old_ = old;
        if (value)
            setenv("HOME", value->c_str(), 1);
        else
            unsetenv("HOME");
    }
    ~home_variable()
    {
        if (old_)
            setenv("HOME", old_->c_str(), 1);
        else
            unsetenv("HOME");
    }

private:
    std::optional<std::string> old_;
};

std::string account_home()
{
    passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

TEST(DocumentsDirectory, HangsBelowHome)
{
    struct case_t {
        const char* home;
        const char* expected;
    } cases[] = {
        {"/home/anna", "/home/anna/taliroScan"},
        {"/home/anna/", "/home/anna/taliroScan"},
        {"/", "/taliroScan"},
        {"relative", "relative/taliroScan"},
    };
    for (const case_t& c : cases) {
        home_variable home(std::string(c.home));
        EXPECT_EQ(get_default_vuro_scan_doucments_directory(), c.expected) << "HOME=" << c.home;
    }
}

TEST(DocumentsDirectory, WithoutHomeUsesTheAccountsHome)
{
    std::string account = account_home();
    if (account.empty())
        GTEST_SKIP() << "this user has no home folder in the user database";
    std::string expected = account + (account.back() == '/' ? "" : "/") + "taliroScan";
    for (std::optional<std::string> value : {std::optional<std::string>(), std::optional<std::string>("")}) {
        home_variable home(value);
        EXPECT_EQ(get_default_vuro_scan_doucments_directory(), expected) << (value ? "empty HOME" : "no HOME");
    }
}

TEST(DocumentsDirectory, WithoutHomeOrAccountIsRelative)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to switch to a user id without an account";
    uid_t stranger = 54321;
    if (getpwuid(stranger) != nullptr)
        GTEST_SKIP() << "user id " << stranger << " has an account here";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        unsetenv("HOME");
        bool ok = setuid(stranger) == 0 && get_default_vuro_scan_doucments_directory() == "taliroScan";
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
