// The Version Information dialog: fields, free-upgrade list, release date,
// days field, Test labels and the file-size button.
#include <QCalendarWidget>
#include <QDateTime>
#include <QLineEdit>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "dialogs/days_edit.h"
#include "dialogs/version_dialog.h"
#include "tests/dialogs/dialog_test_helpers.h"

namespace orv {
namespace {

using test::child;

// Three versions with ids 1, 3 and 2, in that package order.
VersionChoices threeVersions() {
    Package p;
    p.versions.append(test::version(1, "1.0", "2020-01-02 00:00:00"));
    p.versions.append(test::version(3, "1.1", "2020-06-30 00:00:00"));
    p.versions.append(test::version(2, "2.0", "2021-03-04 00:00:00"));
    return versionChoices(p);
}

VersionRecord edited() {
    VersionRecord r = test::version(3, "1.1", "2020-06-30 15:16:17");
    r.reservedText = "kept";
    r.location = "http://example.com/app-1.1.zip";
    r.fileSize = "1,234 bytes";
    r.screenshot = "http://example.com/s.png";
    r.thumbnail = "http://example.com/t.png";
    r.freeUpgrades = {2, 1};
    r.freeUpgradeDays = 45;
    return r;
}

// A one-shot HTTP server on a loopback port that answers any request with
// a fixed response once it has read the request's headers.
class OneShotServer {
public:
    explicit OneShotServer(std::string response) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd_, 1) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this, response = std::move(response)] {
            int c = accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            char buf[1024];
            while (received_.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = recv(c, buf, sizeof buf, 0);
                if (n <= 0) break;
                received_.append(buf, static_cast<size_t>(n));
            }
            (void)!send(c, response.data(), response.size(), 0);
            close(c);
        });
    }
    ~OneShotServer() {
        shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        close(fd_);
    }
    uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::string received_;
};

QDate todayUtc() { return QDateTime::currentDateTimeUtc().date(); }

TEST(VersionDialog, ANewVersionOpensEmptyOnTodayWithThirtyDays) {
    VersionDialog dialog;
    dialog.setUp(VersionRecord{}, threeVersions());
    EXPECT_TRUE(child<QLineEdit>(&dialog, "version")->text().isEmpty());
    auto* list = child<QListWidget>(&dialog, "freeUpgrades");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("1.1 (2020-06-30)"));
    EXPECT_TRUE(test::selectedRows(list).empty());
    EXPECT_EQ(child<QCalendarWidget>(&dialog, "released")->selectedDate(), todayUtc());
    EXPECT_EQ(child<DaysEdit>(&dialog, "freeUpgradeDays")->text(), QStringLiteral("30"));
    VersionRecord out = dialog.record();
    EXPECT_TRUE(out.freeUpgrades.empty());
    EXPECT_EQ(out.releaseDate, ByteString(todayUtc().toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toStdString()));
}

TEST(VersionDialog, RoundTripKeepsEverythingAndDropsTheTimeOfDay) {
    VersionDialog dialog;
    VersionRecord r = edited();
    dialog.setUp(r, threeVersions());
    EXPECT_EQ(test::selectedRows(child<QListWidget>(&dialog, "freeUpgrades")), (std::vector<int>{0, 2}));
    EXPECT_EQ(child<QCalendarWidget>(&dialog, "released")->selectedDate(), QDate(2020, 6, 30));
    VersionRecord out = dialog.record();
    VersionRecord want = r;
    want.releaseDate = "2020-06-30 00:00:00";
    want.freeUpgrades = {1, 2};  // list order: ids 1 then 2
    EXPECT_EQ(out, want);
}

TEST(VersionDialog, EditsReachTheRecord) {
    VersionDialog dialog;
    dialog.setUp(edited(), threeVersions());
    auto* list = child<QListWidget>(&dialog, "freeUpgrades");
    test::clickLine(list, 0);  // off
    test::clickLine(list, 1);  // on: the version may list itself
    child<QCalendarWidget>(&dialog, "released")->setSelectedDate(QDate(2024, 2, 29));
    child<QLineEdit>(&dialog, "fileSize")->setText(QStringLiteral("12 MB?"));
    VersionRecord out = dialog.record();
    EXPECT_EQ(out.freeUpgrades, (IdList{3, 2}));
    EXPECT_EQ(out.releaseDate, "2024-02-29 00:00:00");
    EXPECT_EQ(out.fileSize, "12 MB?");
    EXPECT_EQ(out.id, 3u);
    EXPECT_EQ(out.reservedText, "kept");
}

TEST(VersionDialog, EmptyOrDamagedDatesShowToday) {
    VersionDialog dialog;
    VersionRecord r = edited();
    r.releaseDate = "";
    dialog.setUp(r, threeVersions());
    EXPECT_EQ(child<QCalendarWidget>(&dialog, "released")->selectedDate(), todayUtc());
    // A text that names only a year keeps today's month and day.
    r.releaseDate = "1999";
    dialog.setUp(r, threeVersions());
    QDate shown = child<QCalendarWidget>(&dialog, "released")->selectedDate();
    EXPECT_EQ(shown.year(), 1999);
}

TEST(VersionDialog, UnknownAndHostileIdsSelectNothing) {
    Package p;
    p.versions.append(test::version(4294967295u, "big", "2020-01-01 00:00:00"));
    p.versions.append(test::version(7, "seven", "2020-01-01 00:00:00"));
    VersionDialog dialog;
    VersionRecord r;
    r.freeUpgrades = {99, 4294967295u, 0};
    dialog.setUp(r, versionChoices(p));
    EXPECT_EQ(test::selectedRows(child<QListWidget>(&dialog, "freeUpgrades")), (std::vector<int>{0}));
    EXPECT_EQ(dialog.record().freeUpgrades, (IdList{4294967295u}));
}

TEST(VersionDialog, DaysFieldTakesDigitsAndItsArrowsStopAtTheLimits) {
    VersionDialog dialog;
    dialog.setUp(VersionRecord{}, {});
    auto* days = child<DaysEdit>(&dialog, "freeUpgradeDays");
    auto* edit = days->findChild<QLineEdit*>();
    edit->clear();
    QTest::keyClicks(days, QStringLiteral("1a2-3 "));
    EXPECT_EQ(days->text(), QStringLiteral("123"));

    days->setNumber(0);
    days->stepBy(-1);
    EXPECT_EQ(days->text(), QStringLiteral("0"));
    days->setNumber(999999);
    QTest::keyClick(days, Qt::Key_Up);
    EXPECT_EQ(days->text(), QStringLiteral("1000000"));
    QTest::keyClick(days, Qt::Key_Up);
    EXPECT_EQ(days->text(), QStringLiteral("1000000"));
    days->stepBy(-3);
    EXPECT_EQ(days->text(), QStringLiteral("999997"));

    // A larger number typed by hand stays as typed and is stored wrapped.
    edit->clear();
    QTest::keyClicks(days, QStringLiteral("5000000000"));
    EXPECT_EQ(days->text(), QStringLiteral("5000000000"));
    EXPECT_EQ(dialog.record().freeUpgradeDays, 705032704u);
    days->stepBy(1);
    EXPECT_EQ(days->text(), QStringLiteral("1000000"));

    edit->clear();
    EXPECT_EQ(dialog.record().freeUpgradeDays, 0u);
}

TEST(VersionDialog, TestLabelsOpenTheirFieldsUnchanged) {
    test::LinkRecorder links;
    VersionDialog dialog;
    VersionRecord r = edited();
    r.thumbnail = "";
    dialog.setUp(r, {});
    child<QLineEdit>(&dialog, "screenshot")->setText(QStringLiteral("not a url"));
    for (const char* name : {"locationTest", "screenshotTest", "thumbnailTest"}) test::clickLink(&dialog, name);
    ASSERT_EQ(links.opened.size(), 3u);
    EXPECT_EQ(links.opened[0].link, "http://example.com/app-1.1.zip");
    EXPECT_EQ(links.opened[1].link, "not a url");
    EXPECT_EQ(links.opened[2].link, "");
    for (const auto& o : links.opened) EXPECT_EQ(o.kind, LinkKind::Web);
}

TEST(VersionDialog, DetermineReportsABadLocationAndLeavesTheSize) {
    test::MessageRecorder boxes;
    VersionDialog dialog;
    VersionRecord r = edited();
    r.location = "example.com/file.zip";
    dialog.setUp(r, {});
    child<QPushButton>(&dialog, "determineButton")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("The location field does not contain a valid URL.")));
    EXPECT_EQ(child<QLineEdit>(&dialog, "fileSize")->text(), QStringLiteral("1,234 bytes"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(VersionDialog, DetermineFillsTheSizeFromTheServer) {
    OneShotServer server("HTTP/1.1 200 OK\r\ncontent-length:   987654\r\n\r\n");
    ASSERT_NE(server.port(), 0);
    test::MessageRecorder boxes;
    VersionDialog dialog;
    dialog.setUp(edited(), {});
    QString url = QStringLiteral("http://127.0.0.1:%1/files/app.zip").arg(server.port());
    child<QLineEdit>(&dialog, "location")->setText(url);
    child<QPushButton>(&dialog, "determineButton")->click();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(child<QLineEdit>(&dialog, "fileSize")->text(), QStringLiteral("987654"));
    EXPECT_EQ(dialog.record().fileSize, "987654");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(VersionDialog, TabOrderAndMnemonics) {
    VersionDialog dialog;
    dialog.setUp(VersionRecord{}, threeVersions());
    test::expectBuddies(&dialog);
    test::expectTabOrder(&dialog, {"version", "location", "fileSize", "determineButton", "screenshot", "thumbnail",
                                   "freeUpgrades", "released", "freeUpgradeDays", "okButton", "cancelButton"});
    // Alt and a label's letter focuses the label's field.
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_P, Qt::AltModifier);
    auto* days = child<DaysEdit>(&dialog, "freeUpgradeDays");
    EXPECT_TRUE(QApplication::focusWidget() == days || days->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(&dialog, Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), child<QListWidget>(&dialog, "freeUpgrades"));
}

TEST(VersionDialog, CancelLeavesTheRecordAndOkTakesTheEdit) {
    QWidget window;
    VersionRecord r = edited();
    const VersionRecord before = r;
    bool result = true;
    auto change = [](QDialog* d, const char* button) {
        child<QLineEdit>(d, "version")->setText(QStringLiteral("9.9"));
        test::pressButton(d, button);
    };
    test::whileModal(&window, [&] { result = editVersion(&window, r, threeVersions()); },
                     [&](QDialog* d) { change(d, "cancelButton"); });
    EXPECT_FALSE(result);
    EXPECT_EQ(r, before);
    test::whileModal(&window, [&] { result = editVersion(&window, r, threeVersions()); },
                     [&](QDialog* d) { change(d, "okButton"); });
    EXPECT_TRUE(result);
    EXPECT_EQ(r.version, "9.9");
    EXPECT_EQ(r.id, before.id);
}

}  // namespace
}  // namespace orv
