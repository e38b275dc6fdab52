// Hashes on Windows' own cryptography (bcrypt.dll, bound on first use).
// Windows has no Ed25519, so no key is ever loaded and nothing is signed.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

#include "app/hashing.h"
#include "support/dynamic_library.h"

namespace orv {

namespace {

BoundFunction<NTSTATUS WINAPI(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG)> gOpenAlgorithm(
    "bcrypt.dll", "BCryptOpenAlgorithmProvider");
BoundFunction<NTSTATUS WINAPI(BCRYPT_ALG_HANDLE, ULONG)> gCloseAlgorithm("bcrypt.dll",
                                                                         "BCryptCloseAlgorithmProvider");
BoundFunction<NTSTATUS WINAPI(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG)>
    gCreateHash("bcrypt.dll", "BCryptCreateHash");
BoundFunction<NTSTATUS WINAPI(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG)> gHashData("bcrypt.dll", "BCryptHashData");
BoundFunction<NTSTATUS WINAPI(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG)> gFinishHash("bcrypt.dll",
                                                                                   "BCryptFinishHash");
BoundFunction<NTSTATUS WINAPI(BCRYPT_HASH_HANDLE)> gDestroyHash("bcrypt.dll", "BCryptDestroyHash");

bool succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

// A failure anywhere marks the hash failed; finish() then gives "".
struct StreamHash::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ULONG length = 0;
    bool failed = false;

    void start() {
        hash = nullptr;
        auto* create = gCreateHash.get();
        failed = !algorithm || !create || !succeeded(create(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    }
    void end() {
        if (hash)
            if (auto* destroy = gDestroyHash.get()) destroy(hash);
        hash = nullptr;
    }
    ~State() {
        end();
        if (algorithm)
            if (auto* close = gCloseAlgorithm.get()) close(algorithm, 0);
    }
};

StreamHash::StreamHash(HashKind kind) : state_(std::make_unique<State>()) {
    const bool sha256 = kind == HashKind::Sha256;
    state_->length = sha256 ? 32 : 64;
    if (auto* open = gOpenAlgorithm.get())
        if (!succeeded(open(&state_->algorithm, sha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_SHA512_ALGORITHM, nullptr, 0)))
            state_->algorithm = nullptr;
    state_->start();
}

StreamHash::~StreamHash() = default;

void StreamHash::add(std::string_view bytes) {
    auto* hashData = gHashData.get();
    while (!state_->failed && !bytes.empty()) {
        const ULONG n = static_cast<ULONG>(std::min<size_t>(bytes.size(), 1u << 30));
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
        state_->failed = !hashData || !succeeded(hashData(state_->hash, data, n, 0));
        bytes.remove_prefix(n);
    }
}

std::string StreamHash::finish() {
    unsigned char digest[64];
    auto* finishHash = gFinishHash.get();
    const bool ok = !state_->failed && finishHash && succeeded(finishHash(state_->hash, digest, state_->length, 0));
    state_->end();  // a finished hash cannot be used again: a new one
    state_->start();
    return ok ? lowerHex(digest, state_->length) : std::string();
}

struct SigningKey::Key {};

SigningKey::SigningKey() = default;
SigningKey::~SigningKey() = default;
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;

bool SigningKey::load(std::string_view, std::string& error) {
    key_.reset();
    error = "Windows has no Ed25519 signing; sign with the Linux build";
    return false;
}

bool SigningKey::sign(std::string_view, std::string&, std::string& error) const {
    error = "Windows has no Ed25519 signing";
    return false;
}

std::string SigningKey::publicKeyBase64() const { return ""; }

}  // namespace orv
