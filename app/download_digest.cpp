#include "app/download_digest.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "app/spool.h"
#include "crash/program_thread.h"

namespace orv {

namespace {

constexpr size_t kBlockSize = 1 << 20;
constexpr size_t kBlocksInFlight = 4;

// A hash computed on a thread of its own, fed in blocks of 1 MiB: SHA-512
// is the slowest step of a fast download, and beside it the receiving
// thread has time for SHA-256. At most a few blocks wait, so memory stays
// at some 6 MiB however long the download.
class BackgroundHash {
public:
    explicit BackgroundHash(HashKind kind) : hash_(kind), worker_(startThread([this] { run(); })) {}
    ~BackgroundHash() { stop(); }
    BackgroundHash(const BackgroundHash&) = delete;
    BackgroundHash& operator=(const BackgroundHash&) = delete;

    void add(std::string_view bytes) {
        while (!bytes.empty()) {
            if (current_.capacity() < kBlockSize) current_.reserve(kBlockSize);
            const size_t n = std::min(bytes.size(), kBlockSize - current_.size());
            current_.append(bytes.data(), n);
            bytes.remove_prefix(n);
            if (current_.size() == kBlockSize) handOver();
        }
    }
    std::string finish() {
        handOver();
        stop();
        return result_;
    }

private:
    void handOver() {
        if (current_.empty()) return;
        std::unique_lock<std::mutex> lock(mutex_);
        space_.wait(lock, [&] { return waiting_.size() < kBlocksInFlight; });
        waiting_.push_back(std::move(current_));
        current_.clear();
        if (!spare_.empty()) {
            current_ = std::move(spare_.back());
            spare_.pop_back();
        }
        ready_.notify_one();
    }
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ready_.wait(lock, [&] { return !waiting_.empty() || stopping_; });
            if (waiting_.empty()) break;
            std::string block = std::move(waiting_.front());
            waiting_.pop_front();
            space_.notify_one();
            lock.unlock();
            hash_.add(block);
            block.clear();
            lock.lock();
            spare_.push_back(std::move(block));
        }
        result_ = hash_.finish();
    }
    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_one();
        if (worker_.joinable()) worker_.join();
    }

    StreamHash hash_;
    std::string current_, result_;
    std::mutex mutex_;
    std::condition_variable ready_, space_;
    std::deque<std::string> waiting_;
    std::vector<std::string> spare_;
    bool stopping_ = false;
    std::thread worker_;  // last: starts once everything it uses exists
};

std::string tooLarge(uint64_t limit) {
    const bool gib = limit % (1ull << 30) == 0;
    return "the download is larger than " + std::to_string(gib ? limit >> 30 : limit) + (gib ? " GiB" : " bytes") +
           "; it was stopped";
}

}  // namespace

DigestOutcome digestDownload(const ByteString& location, const DigestOptions& options) {
    DigestOutcome out;
    Spool spool;
    if (options.key && !spool.open(out.message)) return out;
    StreamHash sha256(HashKind::Sha256);
    BackgroundHash sha512(HashKind::Sha512);
    uint64_t received = 0, total = 0, windowStart = 0;
    auto window = std::chrono::steady_clock::now();
    std::string stopped;
    DownloadHead head;
    DownloadReceiver receiver;
    receiver.head = [&](const DownloadHead& h) {
        head = h;
        total = h.lengthKnown ? h.length : 0;
        if (total > options.maxBytes) return stopped = tooLarge(options.maxBytes), false;
        if (options.progress) options.progress(0, total);
        return true;
    };
    receiver.body = [&](std::string_view piece) {
        received += piece.size();
        if (received > options.maxBytes) return stopped = tooLarge(options.maxBytes), false;
        const auto now = std::chrono::steady_clock::now();
        if (now - window >= options.idleLimit) {  // a server that drips is as good as silent
            if (received - windowStart < kSlowestBytes)
                return stopped = "the server sent less than " + std::to_string(kSlowestBytes) + " bytes in " +
                                 std::to_string(options.idleLimit.count() / 1000.0).substr(0, 4) + " s; the download was stopped",
                       false;
            window = now, windowStart = received;
        }
        sha256.add(piece);
        sha512.add(piece);
        if (options.key && !spool.write(piece, stopped)) return false;
        if (options.progress) options.progress(received, total);
        return true;
    };
    const DownloadResult r = downloadLocation(location, options.request, options.idleLimit, receiver);
    if (!r.ok) {
        out.message = r.message.empty() ? stopped : r.message.toStdString();
        return out;
    }
    DownloadDigest& d = out.digest;
    d.size = received;
    d.sha256 = sha256.finish();
    d.sha512 = sha512.finish();
    if (d.sha256.empty() || d.sha512.empty()) {
        out.message = "the system could not compute the download's hashes";
        return out;
    }
    d.etag = headerText(head.etag);
    d.lastModified = headerText(head.lastModified);
    if (options.key) {
        std::string_view content;
        if (!spool.map(content, out.message) || !options.key->sign(content, d.edSignature, out.message)) return out;
        d.edPublicKey = options.key->publicKeyBase64();
    }
    out.ok = true;
    return out;
}

}  // namespace orv
