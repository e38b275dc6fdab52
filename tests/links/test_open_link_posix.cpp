// The openers end to end: a desktop of the test's own whose browser and mail
// client are a program that records the arguments it was started with.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "links/desktop_handlers.h"
#include "links/open_link.h"
#include "tests/links/hostile_links.h"

namespace orv {
namespace {

const std::string kStub = RECORD_ARGS_PATH;
using Candidates = std::vector<ByteStringList>;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

class OpenLink : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/orv_links_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root_ = dir;
        const std::string entry = "[Desktop Entry]\nType=Application\nExec=";
        const std::pair<const char*, std::string> files[] = {
            {"/good/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=test-web.desktop\n"
                                    "x-scheme-handler/https=test-secure.desktop\n"
                                    "x-scheme-handler/mailto=test-mail.desktop\n"},
            {"/good/applications/test-web.desktop", entry + "\"" + kStub + "\" --web %u\n"},
            {"/good/applications/test-secure.desktop", entry + kStub + " --secure %U\n"},
            {"/good/applications/test-mail.desktop", entry + kStub + " -compose %u %i\n"},
            {"/shell/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=shell.desktop\n"},
            {"/shell/applications/shell.desktop", entry + "sh -c \"" + kStub + " %u\"\n"},
            // Handlers for everything but the web.
            {"/noweb/mimeapps.list", "[Default Applications]\nx-scheme-handler/ssh=ssh.desktop\n"
                                     "x-scheme-handler/file=run.desktop\nx-scheme-handler/javascript=run.desktop\n"
                                     "application/x-shellscript=run.desktop\n"},
            {"/noweb/applications/ssh.desktop", entry + kStub + " --ssh %u\n"},
            {"/noweb/applications/run.desktop", entry + kStub + " --run %f\n"},
        };
        for (const auto& [name, text] : files) {
            std::filesystem::create_directories(std::filesystem::path(root_ + name).parent_path());
            std::ofstream(root_ + name, std::ios::binary) << text;
        }
    }
    static void TearDownTestSuite() { std::error_code ignored; std::filesystem::remove_all(root_, ignored); }

    // The desktop under root_ + `desktop` (one without files has no handlers).
    LinkSystem system(const std::string& desktop, Launcher launch = launchDetached) {
        vars = {{"XDG_CONFIG_HOME", root_ + desktop}, {"XDG_DATA_HOME", root_ + desktop},
                {"XDG_CONFIG_DIRS", root_ + "/none"}, {"XDG_DATA_DIRS", root_ + "/none"}};
        const EnvReader env = [this](const char* name) -> const char* {
            auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        };
        return {desktopHandlerFinder(env, readSmallFile), std::move(launch)};
    }

    // Opens `link`, which must start the stub, and returns the arguments it received.
    ByteStringList recorded(LinkKind kind, const ByteString& link) {
        const std::string out = root_ + "/run" + std::to_string(++runs_);
        setenv("RECORD_ARGS_TO", out.c_str(), 1);
        EXPECT_EQ(openLink(good, kind, link), LinkOpened::Started);
        EXPECT_TRUE(waitFor([&] { return access(out.c_str(), F_OK) == 0; }));
        ByteStringList args;
        std::istringstream in(readFile(out));
        for (std::string arg; std::getline(in, arg, '\0');) args.push_back(ByteString(arg));
        lastHow_ = readFile(out + ".how");
        return args;
    }

    static inline std::string root_;
    std::map<std::string, std::string> vars;
    LinkSystem good = system("/good");
    static inline int runs_ = 0;
    std::string lastHow_;
};

TEST_F(OpenLink, EveryLinkArrivesAsOneArgument) {
    std::vector<std::string> texts(std::begin(testing::kHostile), std::end(testing::kHostile));
    texts.push_back("http://a/" + std::string(60000, 'x'));
    for (const std::string& text : texts) {
        const ByteString mail = ByteString("mailto:" + text);
        EXPECT_EQ(recorded(LinkKind::Mail, mail), (ByteStringList{"-compose", withAllowedMailParameters(mail)}))
            << text.substr(0, 80);
        ByteString target;
        if (!linkTarget(LinkKind::Web, ByteString(text), target)) continue;
        const ByteStringList expected = target.empty() ? ByteStringList{"--web"} : ByteStringList{"--web", target};
        EXPECT_EQ(recorded(LinkKind::Web, ByteString(text)), expected) << text.substr(0, 80);
    }
    EXPECT_EQ(recorded(LinkKind::Web, "HTTPS://a/\\x y"), (ByteStringList{"--secure", "HTTPS://a//x y"}));
    EXPECT_EQ(recorded(LinkKind::Web, "\\\\server\\$(id)"), (ByteStringList{"--web", "http://server/$(id)"}));
    EXPECT_EQ(recorded(LinkKind::Web, ""), (ByteStringList{"--web"}));
    EXPECT_EQ(recorded(LinkKind::Mail, "MAILTO:a@b?body=$(id)&ATTACH=%2Fetc%2Fshadow&cc=c"),
              (ByteStringList{"-compose", "MAILTO:a@b?body=$(id)&cc=c"}));
    EXPECT_EQ(recorded(LinkKind::Mail, ""), (ByteStringList{"-compose"}));
}

// On a desktop with handlers for ssh, files and scripts but none for the
// web, a web link still reaches only a browser (through xdg-open) or nothing.
TEST_F(OpenLink, WebLinksNeverReachAnotherProgram) {
    std::vector<Candidates> launches;
    const Launcher record = [&](const Candidates& c) { return launches.push_back(c), true; };
    const LinkSystem noWeb = system("/noweb", record);
    for (const char* link : {"ssh://host/x", "file:///tmp/payload.sh", "FILE:/tmp/payload.sh", "javascript:alert(1)",
                             "C:\\payload.bat", " ssh://host/x", "mailto:a@b"}) {
        EXPECT_EQ(openLink(noWeb, LinkKind::Web, link), LinkOpened::Refused) << link;
        EXPECT_EQ(OpenWebLink(link), 0) << link;
    }
    EXPECT_EQ(openLink(noWeb, LinkKind::Mail, "ssh://x"), LinkOpened::Refused);
    EXPECT_TRUE(launches.empty());
    const std::pair<const char*, const char*> handedOver[] = {
        {"/tmp/payload.sh", "http:///tmp/payload.sh"}, {"payload.sh", "http://payload.sh"}, {"-e cmd", "http://-e cmd"},
        {"https://a/b", "https://a/b"}};
    for (const auto& [link, target] : handedOver) {
        EXPECT_EQ(openLink(noWeb, LinkKind::Web, link), LinkOpened::Started) << link;
        EXPECT_EQ(launches.back(), (Candidates{{"xdg-open", target}})) << link;
    }
    // Nothing to open: xdg-open is not started without a link.
    EXPECT_EQ(openLink(noWeb, LinkKind::Web, "  "), LinkOpened::NotStarted);
    EXPECT_EQ(launches.size(), std::size(handedOver));
}

TEST_F(OpenLink, UnusableHandlersLeaveTheLinkToXdgOpen) {
    std::vector<Candidates> launches;
    const Launcher record = [&](const Candidates& c) { return launches.push_back(c), true; };
    EXPECT_EQ(openLink(system("/good", record), LinkKind::Web, "http://a\\b c"), LinkOpened::Started);
    EXPECT_EQ(launches.back(),
              (Candidates{{ByteString(kStub), "--web", "http://a/b c"}, {"xdg-open", "http://a/b c"}}));
    // A shell with the link inside its command line would run whatever the link says.
    EXPECT_EQ(openLink(system("/shell", record), LinkKind::Web, "http://a/$(id)"), LinkOpened::Started);
    EXPECT_EQ(launches.back(), (Candidates{{"xdg-open", "http://a/$(id)"}}));
    EXPECT_EQ(openLink(system("/none", record), LinkKind::Mail, "mailto:x@y?attach=z"), LinkOpened::Started);
    EXPECT_EQ(launches.back(), (Candidates{{"xdg-open", "mailto:x@y"}}));
    EXPECT_EQ(openLink(system("/none", [](const Candidates&) { return false; }), LinkKind::Web, "http://x"),
              LinkOpened::NotStarted);
}

// The handler is started after candidates that cannot run, in a session of
// its own, with nothing of ours, and is reaped.
TEST_F(OpenLink, HandlersRunInTheirOwnSessionWithNothingOfOursAndAreReaped) {
    EXPECT_FALSE(launchDetached({{"/no/such/program"}, {}, {""}, {"/etc/hostname"}}));
    good.launch = [](const Candidates&) {
        return launchDetached({{"/no/such/program", "a"}, {"no-such-program-xyz"}, {ByteString(kStub), "b"}});
    };
    const int leaky = open("/dev/zero", O_RDONLY);  // no close-on-exec, and our standard input for a while
    const int input = dup(STDIN_FILENO);
    ASSERT_GE(leaky, 3);
    dup2(leaky, STDIN_FILENO);
    EXPECT_EQ(recorded(LinkKind::Web, "http://a/"), (ByteStringList{"b"}));
    dup2(input, STDIN_FILENO);
    close(input);
    close(leaky);
    EXPECT_EQ(lastHow_, "leader /dev/null");
    siginfo_t info{};
    EXPECT_TRUE(waitFor([&] { return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno == ECHILD; }));
}

}  // namespace
}  // namespace orv
