// The link label: colours by state, underline modes, hover, and what a
// click opens and tells its dialog.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "links/gui/link_static.h"

namespace {

// Hovering, visited, colour and underline in one string, so a failure shows them all.
std::string look(const CLinkStatic* link) {
    const QColor c = link->textColour();
    std::string s = std::string(link->isHovering() ? "hover " : "") + (link->isVisited() ? "visited " : "");
    s += c == QColor(0, 0, 238) ? "blue" : c == QColor(85, 26, 139) ? "purple" : c == QColor(255, 0, 0) ? "red" : "?";
    return s + (link->font().underline() ? " underlined" : "");
}

void hover(CLinkStatic* link, bool enter) {
    QEnterEvent in(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QEvent out(QEvent::Leave);
    QApplication::sendEvent(link, enter ? static_cast<QEvent*>(&in) : &out);
}

void moveTo(CLinkStatic* link, QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, link->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(link, &move);
}

class LinkStaticTest : public ::testing::Test {
protected:
    QWidget dialog;
    int answer = 42;  // what the stand-in for the system opener answers; 42 opened, 2 failed
    std::vector<orv::ByteString> opened;
    LinkStaticTest() {
        CLinkStatic::setOpenHook([this](const orv::ByteString& t, bool) { return opened.push_back(t), answer; });
    }
    ~LinkStaticTest() override { CLinkStatic::setOpenHook({}); }
    CLinkStatic* make(const char* text, int id, bool notify = true) {
        auto* link = new CLinkStatic(&dialog);
        link->setText(QString::fromLatin1(text));
        if (notify) link->SetNotifyParent(true);  // off unless asked
        link->attach(id);
        return link;
    }
};

TEST_F(LinkStaticTest, AttachTakesTheTargetFromTheTextOrShowsTheTarget) {
    CLinkStatic* link = make("http://example.com/", 1028);
    EXPECT_EQ(link->linkTarget(), "http://example.com/");
    EXPECT_EQ(link->toolTip(), QStringLiteral("http://example.com/"));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(look(link), "blue");
    link->EnableTooltip(false);
    EXPECT_TRUE(link->toolTip().isEmpty());

    auto* bare = new CLinkStatic(&dialog);
    bare->SetLinkTarget("http://a/");
    bare->attach(7);
    EXPECT_EQ(bare->text(), QStringLiteral("http://a/"));
}

TEST_F(LinkStaticTest, HoverColoursRedAndUnderlinesAsTheModeSays) {
    CLinkStatic* link = make("Test", 1);
    hover(link, true);  // mode -1: underlined only while hovering
    EXPECT_EQ(look(link), "hover red underlined");
    moveTo(link, {-5, -5});  // moving outside ends the hover
    EXPECT_EQ(look(link), "blue");
    moveTo(link, link->rect().center());  // moving back in hovers without an enter event
    EXPECT_EQ(look(link), "hover red underlined");
    hover(link, false);
    link->SetUnderlineMode(0);  // never
    hover(link, true);
    EXPECT_EQ(look(link), "hover red");
    hover(link, false);
    link->SetUnderlineMode(1);  // always
    EXPECT_EQ(look(link), "blue underlined");
    hover(link, true);
    hover(link, false);
    EXPECT_EQ(look(link), "blue underlined");
}

TEST_F(LinkStaticTest, ClicksTurnVisitedAsTheOpeningSaysAndNotifyByIdOnlyWhenAsked) {
    CLinkStatic* quiet = make("Test", 5, false);
    CLinkStatic* link = make("Test", 1039);
    quiet->EnableOpenOnClick(false);
    link->EnableOpenOnClick(false);
    QSignalSpy quietSpy(quiet, &CLinkStatic::clicked), spy(link, &CLinkStatic::clicked);
    quiet->click();
    EXPECT_EQ(quietSpy.count(), 0);
    EXPECT_EQ(look(quiet), "visited purple");
    hover(link, true);
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1039);
    EXPECT_EQ(look(link), "visited purple");  // a click ends the hover
    EXPECT_TRUE(opened.empty());

    CLinkStatic* web = make("http://x/", 3);
    QSignalSpy webSpy(web, &CLinkStatic::clicked);
    web->click();
    EXPECT_EQ(look(web), "visited purple");
    answer = 2;
    web->click();  // a failed open clears visited again and still tells the dialog
    EXPECT_EQ(look(web), "blue");
    EXPECT_EQ(webSpy.count(), 2);
    EXPECT_EQ(opened, (std::vector<orv::ByteString>{"http://x/", "http://x/"}));

    // An empty target opens nothing but counts as success.
    EXPECT_EQ(CLinkStatic::OpenLink("", false), 36);
    CLinkStatic* empty = make("", 9);
    QSignalSpy emptySpy(empty, &CLinkStatic::clicked);
    empty->click();
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(look(empty), "visited purple");
    EXPECT_EQ(emptySpy.count(), 1);
}

}  // namespace
