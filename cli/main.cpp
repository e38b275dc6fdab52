// orvantis-cli: update packages from a shell, without a window.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "cli/commands.h"

using namespace orv::cli;

namespace {

using Runner = int (*)(const Options&, Context&);

struct Command {
    const char* name;
    const char* help;
    Runner run;
    CLI::App* app = nullptr;
};

void addFile(CLI::App* c, std::string& target, const char* name, const char* help) {
    c->add_option(name, target, help)->required();
}

void addEncoding(CLI::App* c, Options& o) {
    c->add_option("--encoding", o.encoding,
                  "Encoding of the package's texts, as iconv names it (default: the locale's; "
                  "windows-1252 for packages made on Windows)")
        ->type_name("NAME");
}

void defineOptions(std::vector<Command>& commands, Options& o) {
    const char* file = "Package file (- for standard input)";
    CLI::App* c = commands[0].app;  // show
    addFile(c, o.file, "FILE", file);
    addEncoding(c, o);

    c = commands[1].app;  // export
    addFile(c, o.file, "FILE", file);
    c->add_option("-o,--output", o.output, "Where to write the JSON (default: standard output)")->type_name("OUT");
    addEncoding(c, o);

    c = commands[2].app;  // import
    addFile(c, o.input, "JSON", "JSON file (- for standard input)");
    c->add_option("-o,--output", o.output, "Package file to write (- for standard output)")
        ->type_name("FILE")
        ->required();
    c->add_option("--encoding", o.encoding,
                  "Encoding to write the texts in (default: the JSON's \"encoding\", else the locale's)")
        ->type_name("NAME");

    c = commands[3].app;  // add-version
    addFile(c, o.file, "FILE", "Package file to change");
    c->add_option("--version", o.version, "Version text, for example 2.1")->required()->type_name("V");
    c->add_option("--location", o.location, "Download location (URL)")->required()->type_name("URL");
    auto* size = c->add_option("--size", o.size, "File size in bytes")->type_name("N");
    c->add_flag("--size-from-url", o.sizeFromUrl, "Ask the download location's web server for the size")
        ->excludes(size);
    c->add_option("--date", o.date, "Release date (default: today, in UTC)")->type_name("YYYY-MM-DD|today");
    c->add_option("--free-upgrade-days", o.freeUpgradeDays,
                  "Purchases this many days before the release upgrade for free")
        ->type_name("N")
        ->capture_default_str();
    c->add_option("--free-from", o.freeFrom, "Versions that upgrade to this one for free")->type_name("V1,V2,...");
    c->add_option("--screenshot", o.screenshot, "Screenshot link")->type_name("URL");
    c->add_option("--thumbnail", o.thumbnail, "Thumbnail link")->type_name("URL");
    c->add_flag("--associate-features", o.associate,
                "Give the new version every feature of the last version in the list");
    addEncoding(c, o);

    c = commands[4].app;  // check
    addFile(c, o.file, "FILE", file);
    c->add_flag("--online", o.online,
                "Also ask every web link whether it answers, and each download location for its size");
    c->add_flag("--json", o.json, "Report as JSON");
    addEncoding(c, o);

    c = commands[5].app;  // size
    c->add_option("URL", o.url, "Download location")->required();

    c = commands[6].app;  // notes
    addFile(c, o.file, "FILE", file);
    c->add_option("--version", o.version, "The version the notes are for")->required()->type_name("V");
    c->add_option("--format", o.format, "text or markdown")->capture_default_str()->check(CLI::IsMember({"text", "markdown"}));
    addEncoding(c, o);

    c = commands[7].app;  // eligible
    addFile(c, o.file, "FILE", file);
    c->add_option("--owned", o.owned, "The version the customer owns")->required()->type_name("V1");
    c->add_option("--purchased", o.purchased, "The day it was bought")->required()->type_name("YYYY-MM-DD");
    c->add_option("--for", o.target, "The version to upgrade to (default: the last in the list)")->type_name("V2");
    addEncoding(c, o);

    c = commands[8].app;  // digest
    addFile(c, o.file, "FILE", "Package file; the digests go to FILE.digests.json");
    auto* key = c->add_option("--sign-key", o.signKey, "Also sign each download with this Ed25519 key (PEM)")
                    ->type_name("KEY.pem");
    c->add_flag("--verify", o.verify, "Download again and report every version whose size or bytes changed")
        ->excludes(key);
    c->add_flag("--json", o.json, "Report as JSON");
    addEncoding(c, o);

    c = commands[9].app;  // feed
    addFile(c, o.file, "FILE", file);
    c->add_option("--format", o.feedFormat, "appcast (Sparkle), appstream (<releases>) or pad (PAD 4.0)")
        ->required()
        ->check(CLI::IsMember({"appcast", "appstream", "pad"}));
    c->add_option("-o,--output", o.output, "Where to write the feed (default: standard output)")->type_name("OUT");
    c->add_option("--os", o.os, "The system the downloads are for (default: guessed from each file's extension)")
        ->check(CLI::IsMember({"windows", "macos", "linux"}));
    addEncoding(c, o);
}

int usageError(const std::string& message, const char* command) {
    complain(kUsage, message);
    std::fprintf(stderr, "Run 'orvantis-cli %s--help' for usage.\n",
                 command ? (std::string(command) + " ").c_str() : "");
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "");
    CLI::App app{"Reads, checks and changes update packages (.dat files) from a shell.", "orvantis-cli"};
    app.require_subcommand(1, 1);
    app.set_version_flag("--version", "orvantis-cli " ORV_VERSION);
    app.footer(
        "Run 'orvantis-cli COMMAND --help' for a command's options.\n"
        "Exit status: 0 success, 1 findings (check, eligible: paid, digest --verify: changed), 2 usage error, 3 file, format or network error.");
    std::vector<Command> commands = {
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
    };
    for (Command& c : commands) c.app = app.add_subcommand(c.name, c.help);
    Options o;
    defineOptions(commands, o);

    if (argc > 1 && argv[1][0] != '-' &&
        std::none_of(commands.begin(), commands.end(), [&](const Command& c) { return !std::strcmp(c.name, argv[1]); }))
        return usageError("unknown command '" + safeText(argv[1]) + "'", nullptr);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const char* command = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
        return usageError(safeText(e.what()), command);
    }
    Context ctx;
    if (!ctx.open(o.encoding)) return kUsage;
    for (const Command& c : commands) {
        if (!c.app->parsed()) continue;
        try {
            return c.run(o, ctx);
        } catch (const std::bad_alloc&) {
            return complain(kFileError, "out of memory");
        }
    }
    return kUsage;
}
