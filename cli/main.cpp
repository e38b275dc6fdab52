// orvantis-cli: update packages from a shell, without a window.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <new>

#include "cli/commands.h"

using namespace orv::cli;

namespace {

using Runner = int (*)(Context&);

struct Command {
    const char* name;
    const char* help;  // empty: not listed (for completion scripts)
    Runner run;
    CLI::App* app = nullptr;
};

// Every command and its one-line help, in the order --help lists them.
std::vector<Command> commandTable() {
    return {
        {"show", "Print the common information and every version, feature and bug", runShow},
        {"export", "Write the whole package as JSON", runExport},
        {"import", "Write a package file from JSON", runImport},
        {"add-version", "Add a version, as the editor's Add does", runAddVersion},
        {"check", "Report the faults that break updaters (exit status 1 if any)", runCheck},
        {"size", "Print a download's size, as the editor's button determines it", runSize},
        {"notes", "Print release notes for a version", runNotes},
        {"eligible", "Say whether an upgrade is free (exit status 0) or paid (1)", runEligible},
        {"digest", "Record each download's size, SHA-256, SHA-512 and signature beside the package", runDigest},
        {"feed", "Write an appcast, AppStream releases or a PAD file", runFeed},
        {"versions", "", runVersions},
    };
}

CLI::App* find(std::vector<Command>& commands, const char* name) {
    for (Command& c : commands)
        if (!std::strcmp(c.name, name)) return c.app;
    return nullptr;
}

void addFile(CLI::App* c, std::string& target, const char* help = "Package file (- for standard input)") {
    c->add_option("FILE", target, help)->required();
}

void addEncoding(CLI::App* c, Options& o) {
    c->add_option("--encoding", o.encoding,
                  "Encoding of the package's texts, as iconv names it (default: UTF-8 when every text is UTF-8, "
                  "else windows-1252)")
        ->type_name("NAME");
}

void addJson(CLI::App* c, Options& o, const char* help = "Print the result as JSON") {
    c->add_flag("--json", o.json, help);
}

void addWait(CLI::App* c, Options& o) {
    c->add_option("--wait", o.waitSeconds, "Wait this long for another writer of the file (default 30)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.0, 86400.0));
}

void defineOptions(std::vector<Command>& commands, Options& o) {
    CLI::App* c = find(commands, "show");
    addFile(c, o.file);
    addJson(c, o, "Print every field as JSON, references with the names they stand for");
    addEncoding(c, o);

    c = find(commands, "export");
    addFile(c, o.file);
    c->add_option("-o,--output", o.output, "Where to write the JSON (default: standard output)")->type_name("OUT");
    addJson(c, o, "Report errors as JSON (the export is JSON already)");
    addEncoding(c, o);

    c = find(commands, "import");
    addFile(c, o.input, "JSON file (- for standard input)");
    c->add_option("-o,--output", o.output, "Package file to write (- for standard output)")->type_name("FILE")->required();
    c->add_option("--encoding", o.encoding, "Encoding to write the texts in (default: the JSON's \"encoding\", else UTF-8)")
        ->type_name("NAME");
    addWait(c, o);
    addJson(c, o, "Say what was written as JSON");

    c = find(commands, "add-version");
    addFile(c, o.file, "Package file to change");
    c->add_option("--version", o.version, "Version text, for example 2.1")->required()->type_name("V");
    c->add_option("--location", o.location, "Download location (an http or https URL)")->required()->type_name("URL");
    auto* size = c->add_option("--size", o.size, "File size in bytes")->type_name("N");
    c->add_flag("--size-from-url", o.sizeFromUrl, "Ask the download location's web server for the size")->excludes(size);
    c->add_option("--date", o.date, "Release date (default: today, in UTC)")->type_name("YYYY-MM-DD|today");
    c->add_option("--free-upgrade-days", o.freeUpgradeDays, "Purchases this many days before the release upgrade for free")
        ->type_name("N")
        ->capture_default_str();
    c->add_option("--free-from", o.freeFrom, "Versions that upgrade to this one for free")->type_name("V1,V2,...");
    c->add_option("--screenshot", o.screenshot, "Screenshot link")->type_name("URL");
    c->add_option("--thumbnail", o.thumbnail, "Thumbnail link")->type_name("URL");
    c->add_flag("--associate-features", o.associate, "Give the new version every feature of the last version in the list");
    c->add_flag("--dry-run", o.dryRun, "Print what would be added and write nothing");
    addWait(c, o);
    addJson(c, o);
    addEncoding(c, o);

    c = find(commands, "check");
    addFile(c, o.file);
    c->add_flag("--online", o.online, "Also ask every web link whether it answers, and each download location for its size");
    addJson(c, o, "Report as JSON");
    addEncoding(c, o);

    c = find(commands, "size");
    c->add_option("URL", o.url, "Download location")->required();
    addJson(c, o);

    c = find(commands, "notes");
    addFile(c, o.file);
    c->add_option("--version", o.version, "The version the notes are for")->required()->type_name("V");
    c->add_option("--format", o.format, "text or markdown")->capture_default_str()->check(CLI::IsMember({"text", "markdown"}));
    addJson(c, o);
    addEncoding(c, o);

    c = find(commands, "eligible");
    addFile(c, o.file);
    c->add_option("--owned", o.owned, "The version the customer owns")->required()->type_name("V1");
    c->add_option("--purchased", o.purchased, "The day it was bought")->required()->type_name("YYYY-MM-DD|today");
    c->add_option("--for", o.target, "The version to upgrade to (default: the last in the list)")->type_name("V2");
    addJson(c, o);
    addEncoding(c, o);

    c = find(commands, "digest");
    addFile(c, o.file, "Package file; the digests go to FILE.digests.json");
    auto* key = c->add_option("--sign-key", o.signKey, "Also sign each download with this Ed25519 key (PEM)")
                    ->type_name("KEY.pem");
    c->add_flag("--verify", o.verify, "Download again and report every version whose size or bytes changed")
        ->excludes(key);
    addWait(c, o);
    addJson(c, o, "Report as JSON");
    addEncoding(c, o);

    c = find(commands, "feed");
    addFile(c, o.file);
    c->add_option("--format", o.feedFormat, "appcast (Sparkle), appstream (<releases>) or pad (PAD 4.0)")
        ->required()
        ->check(CLI::IsMember({"appcast", "appstream", "pad"}));
    c->add_option("-o,--output", o.output, "Where to write the feed (default: standard output)")->type_name("OUT");
    c->add_option("--os", o.os, "The system the downloads are for (default: guessed from each file's extension)")
        ->check(CLI::IsMember({"windows", "macos", "linux"}));
    addJson(c, o, "Say what was written as JSON (the feed itself in \"feed\" when it goes to standard output)");
    addEncoding(c, o);

    c = find(commands, "versions");  // one version text a line, for completion
    addFile(c, o.file);
    addJson(c, o);
    addEncoding(c, o);
}

}  // namespace

int main(int argc, char** argv) {
    prepareStandardStreams();
    std::setlocale(LC_CTYPE, "");
    Options o;
    // Known before parsing, so that even a usage error comes as asked.
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--json")) o.json = true;
        if (!std::strcmp(argv[i], "--verbose")) o.verbose = true;
    }
    if (argc > 1 && argv[1][0] != '-') o.command = argv[1];
    Context ctx(o);

    CLI::App app{"Reads, checks and changes update packages (.dat files) from a shell.", "orvantis-cli"};
    app.require_subcommand(1, 1);
    // On Windows the library would read "/name" as an option; there it is a
    // path from the drive's root. Set before the commands, which inherit it.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", "orvantis-cli " ORV_VERSION);
    app.add_flag("--verbose", o.verbose, "Add the full text to an error where there is more")->configurable(false);
    app.fallthrough();
    app.footer(
        "Run 'orvantis-cli COMMAND --help' for a command's options.\n"
        "Exit status: 0 success, 1 findings (check: faults; eligible: paid; add-version: the version is there\n"
        "already; digest --verify: a download changed), 2 usage error, 3 failure (file, format, network, or\n"
        "the file busy).");
    std::vector<Command> commands = commandTable();
    for (Command& c : commands) {
        c.app = app.add_subcommand(c.name, c.help);
        if (!*c.help) c.app->group("");
    }
    defineOptions(commands, o);

    if (!o.command.empty() && !find(commands, o.command.c_str()))
        return ctx.fail(kUsage, "", "unknown command " + quotedName(o.command), "see orvantis-cli --help");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const std::string hint = o.command.empty() ? "see orvantis-cli --help" : "see orvantis-cli " + o.command + " --help";
        return ctx.fail(kUsage, "", safeText(e.what()), hint);
    }
    if (!ctx.checkEncoding()) return kUsage;
    for (const Command& c : commands) {
        if (!c.app->parsed()) continue;
        try {
            return c.run(ctx);
        } catch (const std::bad_alloc&) {
            return ctx.fail(kFileError, "", "out of memory");
        }
    }
    return kUsage;
}
