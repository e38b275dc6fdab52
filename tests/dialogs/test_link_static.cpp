// The link label: colours by state, underline modes, hover, click results
// and what its dialog is told.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "links/gui/link_static.h"

namespace {

const QColor kLink(0, 0, 238);
const QColor kVisited(85, 26, 139);
const QColor kHover(255, 0, 0);

void hover(CLinkStatic& link) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&link, &enter);
}

void moveTo(CLinkStatic& link, QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, link.mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&link, &move);
}

struct OpenRecorder {
    OpenRecorder(int result) {
        CLinkStatic::setOpenHook([this, result](const orv::ByteString& t, bool) {
            targets.push_back(t);
            return result;
        });
    }
    ~OpenRecorder() { CLinkStatic::setOpenHook({}); }
    std::vector<orv::ByteString> targets;
};

class LinkStaticTest : public ::testing::Test {
protected:
    QWidget dialog;
    CLinkStatic* link = new CLinkStatic(&dialog);
};

TEST_F(LinkStaticTest, AttachTakesTargetFromTextAndShowsItAsTooltip) {
    link->setText(QStringLiteral("http://example.com/"));
    link->attach(1028);
    EXPECT_EQ(link->itemId(), 1028);
    EXPECT_EQ(link->linkTarget(), "http://example.com/");
    EXPECT_EQ(link->toolTip(), QStringLiteral("http://example.com/"));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link->textColour(), kLink);
    EXPECT_FALSE(link->font().underline());
    link->EnableTooltip(false);
    EXPECT_TRUE(link->toolTip().isEmpty());
}

TEST_F(LinkStaticTest, EmptyTextShowsTheTarget) {
    link->SetLinkTarget("http://a/");
    link->attach(7);
    EXPECT_EQ(link->text(), QStringLiteral("http://a/"));
}

TEST_F(LinkStaticTest, HoverUnderlinesInModeMinusOneAndColoursRed) {
    link->setText(QStringLiteral("Test"));
    link->attach(1);
    hover(*link);
    EXPECT_TRUE(link->isHovering());
    EXPECT_EQ(link->textColour(), kHover);
    EXPECT_TRUE(link->font().underline());
    // Moving outside the label ends the hover.
    moveTo(*link, QPoint(-5, -5));
    EXPECT_FALSE(link->isHovering());
    EXPECT_EQ(link->textColour(), kLink);
    EXPECT_FALSE(link->font().underline());
    // Moving back in hovers again without an enter event.
    moveTo(*link, link->rect().center());
    EXPECT_TRUE(link->isHovering());
}

TEST_F(LinkStaticTest, UnderlineModesZeroNeverAndOneAlways) {
    link->setText(QStringLiteral("Test"));
    link->attach(1);
    link->SetUnderlineMode(0);
    hover(*link);
    EXPECT_FALSE(link->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    link->SetUnderlineMode(1);
    EXPECT_TRUE(link->font().underline());
    hover(*link);
    QApplication::sendEvent(link, &leave);
    EXPECT_TRUE(link->font().underline());
}

TEST_F(LinkStaticTest, ClickWithoutOpeningTurnsVisitedAndNotifiesById) {
    OpenRecorder opener(42);
    link->setText(QStringLiteral("Test"));
    link->attach(1039);
    link->EnableOpenOnClick(false);
    link->SetNotifyParent(true);
    QSignalSpy spy(link, &CLinkStatic::clicked);
    hover(*link);
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1039);
    EXPECT_TRUE(link->isVisited());
    EXPECT_FALSE(link->isHovering());  // a click ends the hover
    EXPECT_EQ(link->textColour(), kVisited);
    EXPECT_TRUE(opener.targets.empty());
}

TEST_F(LinkStaticTest, NoNotificationUnlessAsked) {
    link->setText(QStringLiteral("Test"));
    link->attach(5);
    link->EnableOpenOnClick(false);
    QSignalSpy spy(link, &CLinkStatic::clicked);
    link->click();
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(link->isVisited());
}

TEST_F(LinkStaticTest, OpeningResultDecidesVisited) {
    link->setText(QStringLiteral("http://x/"));
    link->attach(3);
    link->SetNotifyParent(true);
    QSignalSpy spy(link, &CLinkStatic::clicked);
    {
        OpenRecorder opener(42);
        link->click();
        ASSERT_EQ(opener.targets.size(), 1u);
        EXPECT_EQ(opener.targets[0], "http://x/");
        EXPECT_TRUE(link->isVisited());
    }
    {
        // A failed open clears visited again and still tells the dialog.
        OpenRecorder opener(2);
        link->click();
        EXPECT_FALSE(link->isVisited());
        EXPECT_EQ(link->textColour(), kLink);
    }
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(LinkStaticTest, EmptyTargetOpensNothingButCountsAsSuccess) {
    OpenRecorder opener(2);
    EXPECT_EQ(CLinkStatic::OpenLink("", false), 36);
    link->SetNotifyParent(true);
    link->attach(9);  // no text, no target
    QSignalSpy spy(link, &CLinkStatic::clicked);
    link->click();
    EXPECT_TRUE(opener.targets.empty());
    EXPECT_TRUE(link->isVisited());
    EXPECT_EQ(spy.count(), 1);
}

}  // namespace
