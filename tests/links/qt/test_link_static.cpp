// The link label: colours by state, underline modes, hover, what a click
// opens and tells its dialog, and texts shown as they are.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include "links/qt/link_static.h"

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

class LinkStaticTest : public ::testing::Test {
protected:
    QWidget dialog;
    int answer = 42;  // what the stand-in opener answers; 42 opened, 2 failed
    std::vector<orv::ByteString> opened;
    CLinkStatic* make(const char* text, int id) {
        auto* link = new CLinkStatic(&dialog);
        link->setText(QString::fromUtf8(text));
        link->SetNotifyParent(true);
        link->SetOpener([this](const orv::ByteString& t, bool) { return opened.push_back(t), answer; });
        link->attach(id);
        return link;
    }
};

TEST_F(LinkStaticTest, ShowsItsTargetLiterallyAndUnderlinesAsItsModeSays) {
    CLinkStatic* link = make("<b>x</b>&amp;", 1028);
    EXPECT_EQ(link->textFormat(), Qt::PlainText);
    QTextDocument tip;  // the tooltip as Qt renders it
    tip.setHtml(link->toolTip());
    EXPECT_EQ(tip.toPlainText(), QStringLiteral("<b>x</b>&amp;"));
    hover(link, true);  // mode -1: underlined only while hovering
    EXPECT_EQ(look(link), "hover red underlined");
    link->SetUnderlineMode(0);  // never
    EXPECT_EQ(look(link), "hover red");
    hover(link, false);
    link->SetUnderlineMode(1);  // always
    EXPECT_EQ(look(link), "blue underlined");
}

TEST_F(LinkStaticTest, ClicksTurnVisitedAsTheOpeningSaysAndTellTheDialogWhichLabel) {
    CLinkStatic* link = make("Test", 1039);
    link->EnableOpenOnClick(false);
    QSignalSpy spy(link, &CLinkStatic::clicked);
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1039);
    EXPECT_EQ(look(link), "visited purple");
    EXPECT_TRUE(opened.empty());

    CLinkStatic* web = make("http://x/", 3);
    web->click();
    EXPECT_EQ(look(web), "visited purple");
    answer = 2;
    web->click();  // a failed open clears visited again
    EXPECT_EQ(look(web), "blue");
    make("", 9)->click();  // an empty target opens nothing but counts as success
    EXPECT_EQ(opened, (std::vector<orv::ByteString>{"http://x/", "http://x/"}));
    EXPECT_EQ(CLinkStatic::OpenLink("", false), 36);
    EXPECT_LE(CLinkStatic::OpenLink("file:///bin/sh", false), 32);  // the real opener refuses it
}

}  // namespace
