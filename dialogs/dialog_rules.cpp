#include "dialogs/dialog_rules.h"

#include <algorithm>

#include "app/bug_types.h"
#include "resources/control_ids.h"

namespace orv {

MessageRequest errorMessage(const ByteString& text) { return {"Error", text, MessageButtons::Ok}; }

MessageRequest questionMessage(const Question& question) {
    return {question.caption, question.text, MessageButtons::YesNo};
}

ByteString fieldOnOk(const ByteString& original, const ByteString& shown, const ByteString& now) {
    return now == shown ? original : now;
}

ByteString withCrLf(const ByteString& text) {
    ByteString out;
    out.reserve(text.length());
    const std::string_view in = text.view();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' || in[i] == '\n') {
            out += "\r\n";
            if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
        } else {
            out += in[i];
        }
    }
    return out;
}

namespace {

constexpr TestLink kCommonInfoLinks[] = {
    {IDC_CI_PRODUCT_LINK_TEST, IDC_CI_PRODUCT_LINK, FieldLink::Web},
    {IDC_CI_UPSELL_LINK_TEST, IDC_CI_UPSELL_LINK, FieldLink::Web},
    {IDC_CI_COMPANY_EMAIL_TEST, IDC_CI_COMPANY_EMAIL, FieldLink::Mail},
    {IDC_CI_COMPANY_LINK_TEST, IDC_CI_COMPANY_LINK, FieldLink::Web},
    {IDC_CI_SALES_EMAIL_TEST, IDC_CI_SALES_EMAIL, FieldLink::Mail},
    {IDC_CI_SUPPORT_EMAIL_TEST, IDC_CI_SUPPORT_EMAIL, FieldLink::Mail},
};
constexpr TestLink kVersionLinks[] = {
    {IDC_VER_LOCATION_TEST, IDC_VER_LOCATION, FieldLink::Web},
    {IDC_VER_SCREENSHOT_TEST, IDC_VER_SCREENSHOT, FieldLink::Web},
    {IDC_VER_THUMBNAIL_TEST, IDC_VER_THUMBNAIL, FieldLink::Web},
};
constexpr TestLink kFeatureLinks[] = {
    {IDC_FEAT_SCREENSHOT_TEST, IDC_FEAT_SCREENSHOT, FieldLink::Web},
    {IDC_FEAT_THUMBNAIL_TEST, IDC_FEAT_THUMBNAIL, FieldLink::Web},
};

}  // namespace

std::span<const TestLink> commonInfoTestLinks() { return kCommonInfoLinks; }
std::span<const TestLink> versionTestLinks() { return kVersionLinks; }
std::span<const TestLink> featureTestLinks() { return kFeatureLinks; }

const TestLink* findTestLink(std::span<const TestLink> links, uint32_t linkId) {
    for (const TestLink& link : links) {
        if (link.linkId == linkId) return &link;
    }
    return nullptr;
}

LinkRequest fieldLinkRequest(FieldLink opens, const ByteString& text) {
    if (opens == FieldLink::Mail) return {LinkKind::Mail, "mailto:" + text};
    return {LinkKind::Web, text};
}

const std::array<uint32_t, CommonInfo::kFieldCount>& commonInfoEditIds() {
    static constexpr std::array<uint32_t, CommonInfo::kFieldCount> kIds = {
        IDC_CI_COMPANY,       IDC_CI_PRODUCT,      IDC_CI_PRODUCT_LINK,  IDC_CI_PRODUCT_DESCRIPTION,
        IDC_CI_UPSELL_LINK,   IDC_CI_UPSELL_DESCRIPTION, IDC_CI_COMPANY_ADDRESS, IDC_CI_COMPANY_PHONE,
        IDC_CI_COMPANY_EMAIL, IDC_CI_COMPANY_LINK, IDC_CI_SALES_PHONE,   IDC_CI_SALES_EMAIL,
        IDC_CI_SUPPORT_PHONE, IDC_CI_SUPPORT_EMAIL};
    return kIds;
}

int severityLine(uint32_t severity) {
    return severity >= 1 && severity <= std::size(kSeverityItems) ? static_cast<int>(severity) - 1 : -1;
}

uint32_t typeLine(const ByteString& type) {
    for (uint32_t i = 0; i < std::size(kBugTypes); ++i) {
        if (type.equalsNoCase(kBugTypes[i])) return i;
    }
    return 0;
}

bool daysTextAllowed(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

uint32_t daysStepped(std::string_view text, int steps) {
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min<int64_t>(value * 10 + (c - '0'), kMaxFreeUpgradeDays);
    }
    return static_cast<uint32_t>(std::clamp<int64_t>(value + steps, 0, kMaxFreeUpgradeDays));
}

}  // namespace orv
