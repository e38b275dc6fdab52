// The openers end to end: a desktop of the test's own whose browser and mail
// client are a program that records the arguments it was started with.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "links/launch.h"
#include "links/open_link.h"

namespace orv {
namespace {

const std::string kStub = RECORD_ARGS_PATH;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class OpenLink : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/orv_links_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root_ = dir;
        for (const char* sub : {"/config", "/data/applications", "/none", "/out"}) {
            std::filesystem::create_directories(root_ + sub);
        }
        const std::string entry = "[Desktop Entry]\nType=Application\nExec=";
        const std::pair<const char*, std::string> files[] = {
            {"/config/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=test-web.desktop\n"
                                      "x-scheme-handler/https=test-secure.desktop\n"
                                      "x-scheme-handler/mailto=test-mail.desktop\n"},
            {"/data/applications/test-web.desktop", entry + "\"" + kStub + "\" --web %u\n"},
            {"/data/applications/test-secure.desktop", entry + kStub + " --secure %U\n"},
            {"/data/applications/test-mail.desktop", entry + kStub + " -compose %u %i\n"},
        };
        for (const auto& [name, text] : files) std::ofstream(root_ + name, std::ios::binary) << text;
    }
    static void TearDownTestSuite() { std::error_code ignored; std::filesystem::remove_all(root_, ignored); }
    void SetUp() override { useDesktop(root_), setLauncher({}); }
    void TearDown() override { setLauncher({}); }

    static void useDesktop(const std::string& root) {
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root_ + "/none").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_DATA_DIRS", (root_ + "/none").c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
    }

    // Runs `open`, which must succeed, and returns the arguments the stub received.
    template <typename F>
    static ByteStringList recorded(F open) {
        const std::string out = root_ + "/out/" + std::to_string(++runs_);
        setenv("RECORD_ARGS_TO", out.c_str(), 1);
        EXPECT_EQ(open(), 1);
        for (int i = 0; i < 1000 && access(out.c_str(), F_OK) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ByteStringList args;
        std::istringstream in(readFile(out));
        for (std::string arg; std::getline(in, arg, '\0');) args.push_back(ByteString(arg));
        lastFds_ = readFile(out + ".fds");
        return args;
    }

    static inline std::string root_;
    static inline int runs_ = 0;
    static inline std::string lastFds_;
};

// Texts a shell, an option parser or a format routine would read as more
// than one plain argument.
std::vector<std::string> hostileTexts() {
    std::vector<std::string> t = {
        "http://a/b c", "http://a/\"quoted\"", "http://a/'single'", "http://a/`id`", "http://a/$(id)",
        "http://a/${HOME}", "http://a/;rm -rf x", "http://a/|cat", "http://a/&&echo", "http://a/&",
        "http://a/\nsecond line", "http://a/\r\n", "http://a/\t tab", "http://a/\x01\x02\x1b[31m",
        "http://a/\x7f", "http://a/\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\xff\xfe", "http://a/%1", "%1",
        "%u", "%U", "http://a/%u%U%f%F%%", "http://a/\\\\server\\share", "\"", "'", " ", "  leading blanks",
        "trailing blank ", "a\"b\"c d", "http://a/?x=1&y=2", "http://a/#frag", "*", "?", "~", "~/.ssh/id",
        "<in >out", "2>&1", "$IFS", "\\", "\\\"", "http://a/\\$(id)", "file:///etc/passwd",
        "javascript:alert(1)", "http://a/ --new-tab", "http://a/ -e cmd", "x; --flag", "()", "{a,b}", "!!",
        "#comment", "http://a/\x0b\x0c", "=%s", "http://a/%s%n%x", "%%", "%", "%i", "A",
    };
    t.push_back("http://a/" + std::string(60000, 'x'));
    return t;
}

TEST_F(OpenLink, EveryWebLinkArrivesAsOneArgumentWithBackslashesAsSlashes) {
    const std::vector<std::string> texts = hostileTexts();
    ASSERT_GE(texts.size(), 50u);
    for (std::string text : texts) {
        const ByteStringList args = recorded([&] { return OpenWebLink(ByteString(text)); });
        std::replace(text.begin(), text.end(), '\\', '/');
        EXPECT_EQ(args, (ByteStringList{"--web", ByteString(text)})) << text.substr(0, 80);
    }
    EXPECT_EQ(recorded([] { return OpenWebLink("HTTPS://a/\\x y"); }),
              (ByteStringList{"--secure", "HTTPS://a//x y"}));
    EXPECT_EQ(recorded([] { return OpenWebLink(""); }), (ByteStringList{"--web"}));
}

TEST_F(OpenLink, EveryMailLinkArrivesAsOneArgumentWithoutAttachments) {
    for (const std::string& text : hostileTexts()) {
        const std::string link = "mailto:" + text;
        const ByteStringList args = recorded([&] { return OpenMailLink(ByteString(link)); });
        EXPECT_EQ(args, (ByteStringList{"-compose", ByteString(link)})) << text.substr(0, 80);
    }
    const std::pair<const char*, ByteStringList> cases[] = {
        {"MAILTO:a@b?body=$(id)&ATTACHMENT=%2Fetc%2Fshadow", {"-compose", "MAILTO:a@b?body=$(id)"}},
        {"mailto:a@b?subject=\"x\"&attach=1&Attach=2&cc=c", {"-compose", "mailto:a@b?subject=\"x\"&cc=c"}},
        {"mailto:", {"-compose", "mailto:"}},
        {"", {"-compose"}},
    };
    for (const auto& [link, args] : cases) EXPECT_EQ(recorded([&] { return OpenMailLink(link); }), args) << link;
}

TEST_F(OpenLink, RefusedLinksStartNothingOthersTryTheHandlerThenXdgOpen) {
    std::vector<std::vector<ByteStringList>> launches;
    setLauncher([&](const std::vector<ByteStringList>& c) { return launches.push_back(c), true; });
    for (const char* link : {"-", "--help", "-e cmd", "--new-window=http://x"}) EXPECT_EQ(OpenWebLink(link), 0);
    for (const char* link : {"http://x", "-mailto:x", "mailto", " mailto:x", "mail:x"}) {
        EXPECT_EQ(OpenMailLink(link), 0) << link;
    }
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(OpenWebLink("http://a\\b c"), 1);
    EXPECT_EQ(launches.back(), (std::vector<ByteStringList>{{ByteString(kStub), "--web", "http://a/b c"},
                                                            {"xdg-open", "http://a/b c"}}));
    useDesktop(root_ + "/none");  // a desktop without handlers
    EXPECT_EQ(OpenMailLink("mailto:x@y?attach=z"), 1);
    EXPECT_EQ(launches.back(), (std::vector<ByteStringList>{{"xdg-open", "mailto:x@y"}}));
}

TEST_F(OpenLink, TheNextCandidateRunsWhenAProgramIsMissing) {
    const auto launch = [] {
        return launchDetached({{"/no/such/program", "a"}, {"no-such-program-xyz"}, {ByteString(kStub), "b"}}) ? 1 : 0;
    };
    EXPECT_EQ(recorded(launch), (ByteStringList{"b"}));
    EXPECT_FALSE(launchDetached({{"/no/such/program"}, {}, {""}}));
    EXPECT_FALSE(resolveProgram("sh").empty());
    EXPECT_TRUE(resolveProgram("no-such-program-xyz").empty());
}

TEST_F(OpenLink, ChildrenInheritNoFilesAndLeaveNoZombies) {
    const int leaky = open("/dev/null", O_RDONLY);  // no close-on-exec
    ASSERT_GE(leaky, 3);
    recorded([] { return OpenWebLink("http://a/"); });
    close(leaky);
    EXPECT_EQ(lastFds_, "");
    int status = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace orv
