// The appcast: RSS 2.0 with the Sparkle namespace, one item per version,
// newest first, as the Sparkle family of updaters (Sparkle, WinSparkle,
// NetSparkle) reads it.
#include "app/feed_text.h"
#include "app/package_check.h"

namespace orv::feed {

namespace {

const char kSparkleNamespace[] = "http://www.andymatuschak.org/xml-namespaces/sparkle";

void htmlSection(pugi::xml_node html, const char* heading, const std::vector<std::string>& items) {
    if (items.empty()) return;
    textElement(html, "h3", heading);
    pugi::xml_node list = html.append_child("ul");
    for (const std::string& item : items) textElement(list, "li", item);
}

// The release notes as an HTML fragment, built as a tree so that no title
// can add markup of its own.
std::string notesHtml(const NoteItems& items) {
    pugi::xml_document html;
    htmlSection(html, "New", items.added);
    htmlSection(html, "Fixed", items.fixed);
    htmlSection(html, "Known issues", items.known);
    return text(html, pugi::format_raw | pugi::format_no_declaration);
}

void enclosure(pugi::xml_node item, const VersionFacts& f, Texts& texts) {
    if (f.location.empty()) return;
    pugi::xml_node e = item.append_child("enclosure");
    e.append_attribute("url") = f.location.c_str();
    if (!f.size) texts.warn(at(f.record, "fileSize"), "unknown (no number and no digest); the length is given as 0");
    e.append_attribute("length") = std::to_string(f.size.value_or(0)).c_str();
    e.append_attribute("type") = "application/octet-stream";
    if (f.os != FeedOs::Guess) e.append_attribute("sparkle:os") = osName(f.os);
    if (f.digest && !f.digest->edSignature.empty())
        e.append_attribute("sparkle:edSignature") = f.digest->edSignature.c_str();
}

}  // namespace

std::string appcast(const Inputs& in) {
    pugi::xml_document doc;
    pugi::xml_node rss = doc.append_child("rss");
    rss.append_attribute("version") = "2.0";
    rss.append_attribute("xmlns:sparkle") = kSparkleNamespace;
    pugi::xml_node channel = rss.append_child("channel");
    const std::string product = in.texts.text(in.p.common.product, {Subject::Common, 0, 0, {}, "product"});
    textElement(channel, "title", product.empty() ? "Updates" : product);
    if (isWebLink(in.p.common.productLink))
        textElement(channel, "link", in.texts.link(in.p.common.productLink));
    textElement(channel, "description", in.texts.text(in.p.common.productDescription, {Subject::Common, 0, 0, {}, "productDescription"}));
    for (auto f = in.facts.rbegin(); f != in.facts.rend(); ++f) {
        pugi::xml_node item = channel.append_child("item");
        textElement(item, "title", product.empty() ? "Version " + f->version : product + " " + f->version);
        if (f->released) textElement(item, "pubDate", rfc822Date(*f->released));
        textElement(item, "sparkle:version", f->version);
        // An upgrade that is not free is what Sparkle calls a major upgrade:
        // offered, but never installed without asking.
        if (!f->freeFrom.empty()) textElement(item, "sparkle:minimumAutoupdateVersion", f->freeFrom);
        if (f->critical) item.append_child("sparkle:criticalUpdate");
        const NoteItems notes = noteItems(in.notes[f->position], in.noteTexts);
        if (!notes.empty()) textElement(item, "description", notesHtml(notes));
        enclosure(item, *f, in.texts);
    }
    return save(doc);
}

}  // namespace orv::feed
