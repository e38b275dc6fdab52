// The dialogs' rules that every front end shares: what a field hands back,
// line breaks of multi-line fields, the Test labels, the bug lists, the
// days arrows, and the Windows file dialogs' filter text.
#include <gtest/gtest.h>

#include "app/editor.h"
#include "dialogs/dialog_rules.h"
#include "resources/control_ids.h"

namespace orv {
namespace {

TEST(DialogRules, FieldsKeepTheirBytesUntilChangedAndMultiLineTextsShowCrLf) {
    EXPECT_EQ(fieldOnOk("Caf\xe9", "Caf\xef\xbf\xbd", "Caf\xef\xbf\xbd"), "Caf\xe9");
    EXPECT_EQ(fieldOnOk("Caf\xe9", "Caf\xef\xbf\xbd", "Cafe"), "Cafe");
    EXPECT_EQ(withCrLf("a\nb\rc\r\nd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
}

TEST(DialogRules, TestLabelsOpenTheirNeighbourAndMailFieldsGetTheirPrefix) {
    EXPECT_EQ(commonInfoTestLinks().size(), 6u);
    const TestLink* mail = findTestLink(commonInfoTestLinks(), IDC_CI_COMPANY_EMAIL_TEST);
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->fieldId, static_cast<uint32_t>(IDC_CI_COMPANY_EMAIL));
    const LinkRequest opened = fieldLinkRequest(mail->opens, "mailto:a@b");
    EXPECT_EQ(opened.kind, LinkKind::Mail);
    EXPECT_EQ(opened.link, "mailto:mailto:a@b");
    EXPECT_EQ(fieldLinkRequest(FieldLink::Web, "C:\\x").link, "C:\\x");
    EXPECT_EQ(findTestLink(versionTestLinks(), IDC_VER_LOCATION), nullptr);  // an edit is no label
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        const TestLink* beside = nullptr;
        for (const TestLink& l : commonInfoTestLinks())
            if (l.fieldId == commonInfoEditIds()[i]) beside = &l;
        EXPECT_EQ(beside ? beside->opens : FieldLink::None, commonFields()[i].link) << commonFields()[i].name;
    }
}

TEST(DialogRules, BugListsAndDaysArrows) {
    EXPECT_EQ(severityLine(1), 0);
    EXPECT_EQ(severityLine(5), 4);
    EXPECT_EQ(severityLine(0), -1);
    EXPECT_EQ(severityLine(6), -1);
    EXPECT_EQ(typeLine("cRASH"), 3u);
    EXPECT_EQ(typeLine("Cosmetic"), 0u);
    EXPECT_TRUE(daysTextAllowed("0123"));
    EXPECT_FALSE(daysTextAllowed("1 2"));
    EXPECT_EQ(daysStepped("30", 1), 31u);
    EXPECT_EQ(daysStepped("0", -1), 0u);
    EXPECT_EQ(daysStepped("7000000000", 0), kMaxFreeUpgradeDays);
    EXPECT_EQ(daysStepped("7000000000", -1), kMaxFreeUpgradeDays - 1);
}

TEST(DialogRules, WindowsFilterTextAndListCommands) {
    const ByteString text = windowsFilterText(packageFileFilters());
    EXPECT_EQ(text, ByteString("Update Data File (*.dat)\0*.dat\0All Files (*.*)\0*.*\0\0", 52));
    EXPECT_EQ(windowsFilterText({}), ByteString("All Files (*.*)\0*.*\0\0", 21));
    const ListCommands none = listCommands(-1, 0), last = listCommands(2, 3), first = listCommands(0, 3);
    EXPECT_FALSE(none.edit || none.remove || none.moveUp || none.moveDown);
    EXPECT_TRUE(last.edit && last.remove && last.moveUp && !last.moveDown);
    EXPECT_TRUE(first.moveDown && !first.moveUp);
}

}  // namespace
}  // namespace orv
