// The openers end to end: a desktop of the test's own whose browser and mail
// client are a program that records the arguments it was started with.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "links/launch.h"
#include "links/open_link.h"

namespace orv {
namespace {

const std::string kStub = RECORD_ARGS_PATH;

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class OpenLink : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/orv_links_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root_ = dir;
        for (const char* sub : {"/config", "/data", "/data/applications", "/none", "/out"}) {
            ASSERT_EQ(mkdir((root_ + sub).c_str(), 0700), 0);
        }
        writeFile(root_ + "/config/mimeapps.list",
                  "[Default Applications]\n"
                  "x-scheme-handler/http=test-web.desktop\n"
                  "x-scheme-handler/https=test-secure.desktop\n"
                  "x-scheme-handler/mailto=test-mail.desktop\n");
        writeFile(root_ + "/data/applications/test-web.desktop",
                  "[Desktop Entry]\nType=Application\nExec=\"" + kStub + "\" --web %u\n");
        writeFile(root_ + "/data/applications/test-secure.desktop",
                  "[Desktop Entry]\nType=Application\nExec=" + kStub + " --secure %U\n");
        writeFile(root_ + "/data/applications/test-mail.desktop",
                  "[Desktop Entry]\nType=Application\nExec=" + kStub + " -compose %u %i\n");
    }

    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    void SetUp() override {
        useDesktop(root_);
        setLauncher({});
    }
    void TearDown() override { setLauncher({}); }

    static void useDesktop(const std::string& root) {
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root_ + "/none").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_DATA_DIRS", (root_ + "/none").c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
    }

    // Runs `open` and returns the arguments the stub received.
    template <typename F>
    static ByteStringList recorded(F open, int expectedResult = 1) {
        const std::string out = root_ + "/out/" + std::to_string(++runs_);
        setenv("RECORD_ARGS_TO", out.c_str(), 1);
        EXPECT_EQ(open(), expectedResult);
        for (int i = 0; i < 1000 && access(out.c_str(), F_OK) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ByteStringList args;
        const std::string bytes = readFile(out);
        size_t start = 0;
        for (size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1) {
            args.push_back(ByteString(std::string_view(bytes).substr(start, end - start)));
        }
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

std::string slashed(std::string s) {
    for (char& c : s) {
        if (c == '\\') c = '/';
    }
    return s;
}

TEST_F(OpenLink, EveryWebLinkArrivesAsOneUnchangedArgument) {
    const std::vector<std::string> texts = hostileTexts();
    ASSERT_GE(texts.size(), 50u);
    for (const std::string& text : texts) {
        const ByteStringList args = recorded([&] { return OpenWebLink(ByteString(text)); });
        EXPECT_EQ(args, (ByteStringList{"--web", ByteString(slashed(text))})) << text.substr(0, 80);
    }
}

TEST_F(OpenLink, HttpsLinksGoToTheirOwnHandler) {
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
    const std::pair<const char*, const char*> attachments[] = {
        {"mailto:a@b?attach=/etc/passwd", "mailto:a@b"},
        {"MAILTO:a@b?body=$(id)&ATTACHMENT=%2Fetc%2Fshadow", "MAILTO:a@b?body=$(id)"},
        {"mailto:a@b?%61ttach=`id`&subject=a b", "mailto:a@b?subject=a b"},
        {"mailto:a@b?subject=\"x\"&attach=1&Attach=2&cc=c", "mailto:a@b?subject=\"x\"&cc=c"},
    };
    for (const auto& c : attachments) {
        EXPECT_EQ(recorded([&] { return OpenMailLink(c.first); }), (ByteStringList{"-compose", c.second}))
            << c.first;
    }
    EXPECT_EQ(recorded([] { return OpenMailLink("mailto:"); }), (ByteStringList{"-compose", "mailto:"}));
    EXPECT_EQ(recorded([] { return OpenMailLink(""); }), (ByteStringList{"-compose"}));
}

TEST_F(OpenLink, RefusedLinksStartNothing) {
    int launches = 0;
    setLauncher([&](const std::vector<ByteStringList>&) { return ++launches > 0; });
    for (const char* link : {"-", "--help", "-e cmd", "--new-window=http://x"}) EXPECT_EQ(OpenWebLink(link), 0);
    for (const char* link : {"http://x", "-mailto:x", "mailto", " mailto:x", "mail:x"}) {
        EXPECT_EQ(OpenMailLink(link), 0) << link;
    }
    EXPECT_EQ(launches, 0);
}

TEST_F(OpenLink, XdgOpenComesAfterTheHandlerOrAlone) {
    std::vector<ByteStringList> seen;
    setLauncher([&](const std::vector<ByteStringList>& c) {
        seen = c;
        return true;
    });
    EXPECT_EQ(OpenWebLink("http://a\\b"), 1);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (ByteStringList{ByteString(kStub), "--web", "http://a/b"}));
    EXPECT_EQ(seen[1], (ByteStringList{"xdg-open", "http://a/b"}));

    useDesktop(root_ + "/none");  // a desktop without handlers
    EXPECT_EQ(OpenMailLink("mailto:x@y?attach=z"), 1);
    EXPECT_EQ(seen, (std::vector<ByteStringList>{{"xdg-open", "mailto:x@y"}}));
}

TEST_F(OpenLink, TheNextCandidateRunsWhenAProgramIsMissing) {
    EXPECT_EQ(recorded([] {
                  return launchDetached({{"/no/such/program", "a"}, {"no-such-program-xyz"}, {ByteString(kStub), "b"}})
                             ? 1
                             : 0;
              }),
              (ByteStringList{"b"}));
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
