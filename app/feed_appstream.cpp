// AppStream release data: a <releases> block, newest first, to put into a
// component's metainfo, as Linux software centres and Flatpak read it.
#include "app/feed_text.h"

namespace orv::feed {

namespace {

void section(pugi::xml_node description, const char* heading, const std::vector<std::string>& items) {
    if (items.empty()) return;
    textElement(description, "p", heading);
    pugi::xml_node list = description.append_child("ul");
    for (const std::string& item : items) textElement(list, "li", item);
}

void artifact(pugi::xml_node release, const VersionFacts& f) {
    if (f.location.empty()) return;
    pugi::xml_node a = release.append_child("artifacts").append_child("artifact");
    a.append_attribute("type") = "binary";
    textElement(a, "location", f.location);
    if (f.digest) {
        textElement(a, "checksum", f.digest->sha256).append_attribute("type") = "sha256";
    }
    if (f.size) textElement(a, "size", std::to_string(*f.size)).append_attribute("type") = "download";
}

}  // namespace

std::string appstream(const Inputs& in) {
    pugi::xml_document doc;
    pugi::xml_node releases = doc.append_child("releases");
    for (auto f = in.facts.rbegin(); f != in.facts.rend(); ++f) {
        if (!f->released || f->version.empty()) {
            in.texts.warn(f->record, "AppStream needs a version text and a release date; the version is left out");
            continue;
        }
        pugi::xml_node release = releases.append_child("release");
        release.append_attribute("version") = f->version.c_str();
        release.append_attribute("date") = isoDate(*f->released).c_str();
        release.append_attribute("type") = "stable";
        release.append_attribute("urgency") = f->critical ? "high" : "medium";
        const NoteItems notes = noteItems(in.notes[f->position], in.noteTexts);
        if (!notes.empty()) {
            pugi::xml_node description = release.append_child("description");
            section(description, "New:", notes.added);
            section(description, "Fixed:", notes.fixed);
            section(description, "Known issues:", notes.known);
        }
        artifact(release, *f);
    }
    return save(doc);
}

}  // namespace orv::feed
