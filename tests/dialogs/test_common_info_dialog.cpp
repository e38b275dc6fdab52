// The Common Information dialog: its fields round-trip the record, keep
// bytes the user did not touch, and its Test labels open the right links.
#include <QLineEdit>
#include <QPlainTextEdit>

#include "dialogs/common_info_dialog.h"
#include "tests/dialogs/dialog_test_helpers.h"

namespace orv {
namespace {

using test::child;

const char* const kNames[CommonInfo::kFieldCount] = {
    "company",        "product",     "productLink", "productDescription", "upsellLink",
    "upsellDescription", "companyAddress", "companyPhone", "companyEmail", "companyLink",
    "salesPhone",     "salesEmail",  "techSupportPhone", "techSupportEmail"};

CommonInfo sample() {
    CommonInfo info;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) info.field(i) = ByteString("value ") + kNames[i];
    info.productDescription = "line one\r\nline two";
    return info;
}

TEST(CommonInfoDialog, ShowsEveryFieldAndHandsItBackUnchanged) {
    CommonInfoDialog dialog;
    CommonInfo info = sample();
    dialog.setInfo(info);
    EXPECT_EQ(child<QLineEdit>(&dialog, "company")->text(), QStringLiteral("value company"));
    EXPECT_EQ(child<QPlainTextEdit>(&dialog, "productDescription")->toPlainText(),
              QStringLiteral("line one\nline two"));
    EXPECT_EQ(dialog.info(), info);
}

TEST(CommonInfoDialog, TypedTextIsStoredAsTypedWithCrLfLineBreaks) {
    CommonInfoDialog dialog;
    dialog.setInfo(CommonInfo{});
    QTest::keyClicks(child<QLineEdit>(&dialog, "salesPhone"), QStringLiteral("+1 (555) not-checked"));
    auto* address = child<QPlainTextEdit>(&dialog, "companyAddress");
    QTest::keyClicks(address, QStringLiteral("1 Main St"));
    QTest::keyClick(address, Qt::Key_Return);
    QTest::keyClicks(address, QStringLiteral("Town"));
    CommonInfo out = dialog.info();
    EXPECT_EQ(out.salesPhone, "+1 (555) not-checked");
    EXPECT_EQ(out.companyAddress, "1 Main St\r\nTown");
    EXPECT_EQ(out.company, "");
}

TEST(CommonInfoDialog, UntouchedFieldsKeepBytesTheLocaleCannotShow) {
    CommonInfoDialog dialog;
    CommonInfo info;
    info.company = "Caf\xe9 \xff";
    info.companyAddress = "\xfe\r\nlone\rcr";
    dialog.setInfo(info);
    QTest::keyClicks(child<QLineEdit>(&dialog, "product"), QStringLiteral("New"));
    CommonInfo out = dialog.info();
    EXPECT_EQ(out.company, info.company);
    EXPECT_EQ(out.companyAddress, info.companyAddress);
    EXPECT_EQ(out.product, "New");
}

TEST(CommonInfoDialog, TestLabelsOpenTheirNeighbouringField) {
    test::LinkRecorder links;
    CommonInfoDialog dialog;
    CommonInfo info = sample();
    info.companyEmail = "";                       // an empty e-mail field opens "mailto:" alone
    info.salesEmail = "mailto:sales@example.com";  // the prefix is not checked: it doubles
    dialog.setInfo(info);
    child<QLineEdit>(&dialog, "productLink")->setText(QStringLiteral("http://typed.example/"));
    const char* const order[] = {"productLinkTest", "upsellLinkTest", "companyEmailTest",
                                 "companyLinkTest", "salesEmailTest", "techSupportEmailTest"};
    for (const char* name : order) test::clickLink(&dialog, name);
    ASSERT_EQ(links.opened.size(), 6u);
    auto expect = [&](size_t i, LinkKind kind, const char* link) {
        EXPECT_EQ(links.opened[i].kind, kind) << i;
        EXPECT_EQ(links.opened[i].link, link) << i;
    };
    expect(0, LinkKind::Web, "http://typed.example/");
    expect(1, LinkKind::Web, "value upsellLink");
    expect(2, LinkKind::Mail, "mailto:");
    expect(3, LinkKind::Web, "value companyLink");
    expect(4, LinkKind::Mail, "mailto:mailto:sales@example.com");
    expect(5, LinkKind::Mail, "mailto:value techSupportEmail");
}

TEST(CommonInfoDialog, TestLabelsAreAlwaysUnderlinedWithoutTooltip) {
    CommonInfoDialog dialog;
    auto* link = child<CLinkStatic>(&dialog, "productLinkTest");
    EXPECT_EQ(link->text(), QStringLiteral("Test"));
    EXPECT_EQ(link->underlineMode(), 1);
    EXPECT_TRUE(link->font().underline());
    EXPECT_TRUE(link->toolTip().isEmpty());
}

TEST(CommonInfoDialog, TabOrderAndMnemonicsFollowTheFieldOrder) {
    CommonInfoDialog dialog;
    test::expectBuddies(&dialog);
    std::vector<const char*> names(std::begin(kNames), std::end(kNames));
    names.push_back("okButton");
    names.push_back("cancelButton");
    test::expectTabOrder(&dialog, names);
}

TEST(CommonInfoDialog, OkStoresTheEditAndCancelKeepsTheRecord) {
    QWidget window;
    CommonInfo info = sample();
    const CommonInfo before = info;
    bool result = true;
    test::whileModal(&window, [&] { result = editCommonInfo(&window, info); },
                     [](QDialog* d) {
                         child<QLineEdit>(d, "company")->setText(QStringLiteral("Changed"));
                         test::pressButton(d, "cancelButton");
                     });
    EXPECT_FALSE(result);
    EXPECT_EQ(info, before);

    test::whileModal(&window, [&] { result = editCommonInfo(&window, info); },
                     [](QDialog* d) {
                         child<QLineEdit>(d, "company")->setText(QStringLiteral("Changed"));
                         test::pressButton(d, "okButton");
                     });
    EXPECT_TRUE(result);
    EXPECT_EQ(info.company, "Changed");
    EXPECT_EQ(info.product, before.product);
}

}  // namespace
}  // namespace orv
