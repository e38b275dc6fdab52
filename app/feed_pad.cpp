// A PAD 4.0 file (XML_DIZ_INFO), as download sites read it: the company
// and product from the common information, and the newest version's
// release, download and size. Fields the package has nothing for are left
// empty for the publisher to fill in; descriptions are cut to the lengths
// PAD allows.
#include <cstdio>

#include "app/feed_text.h"

namespace orv::feed {

namespace {

// Fills the fields of one section after another.
class Pad {
public:
    Pad(pugi::xml_node root, Texts& texts) : root_(root), texts_(texts) {}
    pugi::xml_node section(const char* name) { return at_ = root_.append_child(name); }
    pugi::xml_node within(const char* name) { return at_.append_child(name); }
    void set(const char* name, const std::string& value) { textElement(at_, name, value); }
    void set(pugi::xml_node parent, const char* name, const std::string& value) { textElement(parent, name, value); }
    void empty(std::initializer_list<const char*> names, pugi::xml_node parent = {}) {
        for (const char* name : names) textElement(parent ? parent : at_, name, "");
    }
    std::string text(const ByteString& bytes, const char* field) { return texts_.text(bytes, where(field)); }
    std::string line(const ByteString& bytes, size_t limit, const char* field, bool warnWhenCut = true) {
        return texts_.line(bytes, limit, where(field), warnWhenCut);
    }
    std::string link(const ByteString& bytes) { return texts_.link(bytes); }
    Texts& texts() { return texts_; }

private:
    static FeedField where(const char* field) { return {Subject::Common, 0, 0, {}, field}; }
    pugi::xml_node root_, at_;
    Texts& texts_;
};

// The lines of a text, without their ends and outer blanks.
std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> lines(1);
    for (const char c : text) {
        if (c == '\r' || c == '\n') lines.emplace_back();
        else lines.back() += c;
    }
    for (std::string& l : lines) {
        l.erase(0, l.find_first_not_of(" \t"));
        l.erase(l.find_last_not_of(" \t") + 1);
    }
    return lines;
}

// "2.00" MB; kilobytes rounded.
std::string fixed2(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

const char* osSupport(FeedOs os) {
    switch (os) {
    case FeedOs::Windows: return "Win7 x32,Win7 x64,WinVista,WinXP,WinOther";
    case FeedOs::MacOS: return "Mac OS X";
    case FeedOs::Linux: return "Linux";
    case FeedOs::Guess: break;
    }
    return "";
}

void company(Pad& pad, const CommonInfo& c) {
    pad.section("Company_Info");
    pad.set("Company_Name", pad.line(c.company, 40, "company"));
    // The address is one free text: a first line that repeats the company
    // is passed over, a last line of three or more is the country, the
    // first is the street and the rest the second line.
    std::vector<std::string> lines;
    for (std::string l : split(pad.text(c.companyAddress, "companyAddress"))) {
        if (!l.empty()) lines.push_back(std::move(l));
    }
    if (!lines.empty() && lines.front() == pad.text(c.company, "company")) lines.erase(lines.begin());
    const std::string country = lines.size() >= 3 ? lines.back() : "";
    if (!country.empty()) lines.pop_back();
    std::string second;
    for (size_t i = 1; i < lines.size(); ++i) second += (i > 1 ? ", " : "") + lines[i];
    pad.set("Address_1", pad.line(ByteString(lines.empty() ? "" : lines.front()), 40, "companyAddress"));
    pad.set("Address_2", pad.line(ByteString(second), 40, "companyAddress"));
    pad.empty({"City_Town", "State_Province", "Zip_Postal_Code"});
    pad.set("Country", pad.line(ByteString(country), 40, "companyAddress"));
    pad.set("Company_WebSite_URL", pad.link(c.companyLink));
    pugi::xml_node contact = pad.within("Contact_Info");
    pad.empty({"Author_First_Name", "Author_Last_Name", "Author_Email", "Contact_First_Name", "Contact_Last_Name"},
              contact);
    pad.set(contact, "Contact_Email", pad.line(c.companyEmail, 100, "companyEmail"));
    pugi::xml_node support = pad.within("Support_Info");
    pad.set(support, "Sales_Email", pad.line(c.salesEmail, 100, "salesEmail"));
    pad.set(support, "Support_Email", pad.line(c.techSupportEmail, 100, "techSupportEmail"));
    pad.set(support, "General_Email", pad.line(c.companyEmail, 100, "companyEmail"));
    pad.set(support, "Sales_Phone", pad.line(c.salesPhone, 40, "salesPhone"));
    pad.set(support, "Support_Phone", pad.line(c.techSupportPhone, 40, "techSupportPhone"));
    pad.set(support, "General_Phone", pad.line(c.companyPhone, 40, "companyPhone"));
    pad.empty({"Fax_Phone"}, support);
}

// Major when upgrading from the version before is not free.
const char* releaseStatus(const std::vector<VersionFacts>& facts) {
    if (facts.size() < 2) return "New Release";
    return facts.back().freeFrom == facts.back().version ? "Major Update" : "Minor Update";
}

// "New: a; b. Fixed: c." from the newest version's notes.
std::string changeInfo(const NoteItems& notes) {
    std::string changes;
    for (const auto& [heading, items] : {std::pair{"New: ", &notes.added}, std::pair{"Fixed: ", &notes.fixed}}) {
        if (items->empty()) continue;
        changes += changes.empty() ? heading : std::string(" ") + heading;
        for (size_t i = 0; i < items->size(); ++i) changes += (i ? "; " : "") + (*items)[i];
        changes += ".";
    }
    return changes;
}

void program(Pad& pad, const Inputs& in, const VersionFacts* newest) {
    pad.section("Program_Info");
    pad.set("Program_Name", pad.line(in.p.common.product, 40, "product"));
    pad.set("Program_Version", newest ? newest->version : "");
    const std::string date = newest && newest->released ? isoDate(*newest->released) : "";
    pad.set("Program_Release_Month", date.empty() ? "" : date.substr(5, 2));
    pad.set("Program_Release_Day", date.empty() ? "" : date.substr(8, 2));
    pad.set("Program_Release_Year", date.empty() ? "" : date.substr(0, 4));
    pad.empty({"Program_Cost_Dollars", "Program_Cost_Other_Code", "Program_Cost_Other", "Program_Type"});
    pad.set("Program_Release_Status", releaseStatus(in.facts));
    pad.empty({"Program_Install_Support"});
    pad.set("Program_OS_Support", newest ? osSupport(newest->os) : "");
    pad.empty({"Program_Language"});
    std::string changes = newest ? changeInfo(noteItems(in.notes[newest->position], in.noteTexts)) : "";
    if (cutToCharacters(changes, 300))
        pad.texts().warn(newest->record, "its release notes were shortened to 300 characters for Program_Change_Info");
    pad.set("Program_Change_Info", changes);
    pad.empty({"Program_Specific_Category", "Program_Category_Class", "Program_System_Requirements"});
    pugi::xml_node file = pad.within("File_Info");
    const bool sized = newest && newest->size;
    const uint64_t bytes = sized ? *newest->size : 0;
    pad.set(file, "File_Size_Bytes", sized ? std::to_string(bytes) : "");
    pad.set(file, "File_Size_K", sized ? std::to_string((bytes + 512) / 1024) : "");
    pad.set(file, "File_Size_MB", sized ? fixed2(static_cast<double>(bytes) / (1024.0 * 1024.0)) : "");
    pugi::xml_node expire = pad.within("Expire_Info");
    pad.empty({"Has_Expire_Info", "Expire_Count", "Expire_Based_On", "Expire_Other_Info", "Expire_Month",
               "Expire_Day", "Expire_Year"},
              expire);
}

void descriptions(Pad& pad, const CommonInfo& c) {
    pad.section("Program_Descriptions");
    pugi::xml_node english = pad.within("English");
    pad.empty({"Keywords"}, english);
    for (const auto& [name, limit] : {std::pair{"Char_Desc_45", 45}, std::pair{"Char_Desc_80", 80},
                                      std::pair{"Char_Desc_250", 250}, std::pair{"Char_Desc_450", 450}})
        pad.set(english, name, pad.line(c.productDescription, static_cast<size_t>(limit), "productDescription", false));
    std::string full = pad.text(c.productDescription, "productDescription");
    if (cutToCharacters(full, 2000))
        pad.texts().warn({Subject::Common, 0, 0, {}, "productDescription"}, "shortened to 2000 characters for Char_Desc_2000");
    pad.set(english, "Char_Desc_2000", full);
}

void web(Pad& pad, const Package& p, const VersionFacts* newest) {
    pad.section("Web_Info");
    pugi::xml_node urls = pad.within("Application_URLs");
    pad.set(urls, "Application_Info_URL", pad.link(p.common.productLink));
    pad.set(urls, "Application_Order_URL", pad.link(p.common.upsellLink));
    pad.set(urls, "Application_Screenshot_URL", newest ? pad.link(p.versions[newest->position].screenshot) : "");
    pad.empty({"Application_Icon_URL", "Application_XML_File_URL"}, urls);
    pugi::xml_node downloads = pad.within("Download_URLs");
    pad.set(downloads, "Primary_Download_URL", newest ? newest->location : "");
    pad.empty({"Secondary_Download_URL", "Additional_Download_URL_1", "Additional_Download_URL_2"}, downloads);
}

}  // namespace

std::string pad(const Inputs& in) {
    pugi::xml_document doc;
    Pad pad(doc.append_child("XML_DIZ_INFO"), in.texts);
    pad.section("MASTER_PAD_VERSION_INFO");
    pad.set("MASTER_PAD_VERSION", "4.0");
    pad.set("MASTER_PAD_EDITOR", "Orvantis");
    pad.set("MASTER_PAD_INFO", "Portable Application Description, or PAD for short, is a data set that is used by "
                               "software authors to disseminate information about their products.");
    const VersionFacts* newest = in.facts.empty() ? nullptr : &in.facts.back();
    company(pad, in.p.common);
    program(pad, in, newest);
    descriptions(pad, in.p.common);
    web(pad, in.p, newest);
    return save(doc);
}

}  // namespace orv::feed
