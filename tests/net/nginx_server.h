// A private nginx on loopback ports, for the integration tests and the
// benchmarks: its own temporary prefix, configuration, logs and pid file, run
// in the foreground as one process of the current user, ended on
// destruction. Every server block serves the files written into root(); a
// secure one uses a certificate made with the openssl tool and signed by the
// fixture's own throw-away certificate authority (caFile()).
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "net/socket.h"

extern char** environ;

namespace orv::testing {

inline const char* kNginxBinary = "/usr/sbin/nginx";

inline bool nginxInstalled() { return ::access(kNginxBinary, X_OK) == 0; }

class NginxServer {
public:
    NginxServer() {
        char pattern[] = "/tmp/orv-nginx-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        dir_ = pattern;
        ::chmod(pattern, 0755);
        std::filesystem::create_directories(root());
        run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key -out ca.pem "
            "-subj '/CN=Orvantis Test CA' -days 2");
    }
    // Asks nginx to stop, kills it after 2 s, and removes the prefix.
    ~NginxServer() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && !exited(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!exited() && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }

    std::string root() const { return dir_ + "/html"; }
    std::string caFile() const { return dir_ + "/ca.pem"; }
    std::string errorLog() const { return dir_ + "/error.log"; }

    void writeFile(const std::string& name, size_t size) {
        std::ofstream(root() + "/" + name, std::ios::binary) << std::string(size, 'a');
        ::chmod((root() + "/" + name).c_str(), 0644);
    }

    // "<name>.pem" and its key for the subjectAltName `san` (empty: none,
    // the common name "localhost" only), valid for `days` (negative: expired
    // already), signed by the authority or, when `selfSigned`, by its own key.
    bool makeCertificate(const std::string& name, const std::string& san, int days, bool selfSigned = false) {
        const std::string subject = san.empty() ? "-subj /CN=localhost" : "-subj /CN=test -addext subjectAltName=" + san;
        return run("openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout " + name + ".key -out " +
                   name + ".csr " + subject + " && openssl x509 -req -in " + name +
                   ".csr -days " + std::to_string(days) +
                   (selfSigned ? " -signkey " + name + ".key" : " -CA ca.pem -CAkey ca.key") +
                   " -copy_extensions copy -out " + name + ".pem");
    }

    // A server block on an unused port of a loopback address (found by
    // binding port 0; 0 when the address is not there); secure with the
    // named certificate when there is one.
    uint16_t addServer(const std::string& directives, const std::string& certificate = "",
                       const std::string& address = "127.0.0.1") {
        SocketHandle probe;
        const uint16_t port = probe.Connect(std::string_view(address), 0, 1, 0, AF_UNSPEC) ? probe.LocalPort() : 0;
        if (port == 0) return 0;
        const std::string tls = dir_ + "/" + certificate;
        servers_ += "server {\nlisten " + address + ":" + std::to_string(port) + (certificate.empty() ? "" : " ssl") +
                    ";\nroot " + root() + ";\n" + directives + "\n" +
                    (certificate.empty() ? "" : "ssl_certificate " + tls + ".pem;\nssl_certificate_key " + tls + ".key;\n") + "}\n";
        listening_.emplace_back(address, port);
        return port;
    }

    // Starts nginx and waits (at most 5 s) until every server accepts connections.
    bool start() {
        std::ofstream conf(dir_ + "/nginx.conf");
        conf << "daemon off;\nmaster_process off;\nworker_processes 1;\npid " << dir_ << "/nginx.pid;\n"
             << "events { worker_connections 64; }\nhttp {\naccess_log off;\nabsolute_redirect off;\n";
        for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
            conf << temp << "_temp_path " << dir_ << "/" << temp << ";\n";
        conf << servers_ << "}\n";
        conf.close();
        const std::string file = dir_ + "/nginx.conf", log = errorLog();
        const char* argv[] = {kNginxBinary, "-p", dir_.c_str(), "-c", file.c_str(), "-e", log.c_str(), nullptr};
        if (::posix_spawn(&pid_, kNginxBinary, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
        for (const auto& [address, port] : listening_) {
            bool up = false;
            for (int i = 0; i < 250 && !up && !exited(); ++i) {
                SocketHandle probe;
                probe.SetWaitTime(0, 0);
                up = probe.Connect(std::string_view(address), port, 0, 0, AF_UNSPEC);
                if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (!up) return false;
        }
        return !listening_.empty();
    }

private:
    bool run(const std::string& command) {
        return !dir_.empty() && std::system(("cd " + dir_ + " && (" + command + ") >/dev/null 2>&1").c_str()) == 0;
    }
    // Reaps nginx if it has ended (pid_ becomes 0).
    bool exited() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = 0;
        return pid_ == 0;
    }

    std::string dir_, servers_;
    std::vector<std::pair<std::string, uint16_t>> listening_;
    pid_t pid_ = 0;
};

}  // namespace orv::testing
