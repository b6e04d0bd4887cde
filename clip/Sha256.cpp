#include "clip/Sha256.h"

#include <openssl/evp.h>

#include <memory>
#include <new>

namespace korvane {
namespace {

// The SHA-256 implementation, looked up once: each look-up (EVP_sha256() at
// every start) takes a lock and a table search, a cost per CSV record.
const EVP_MD* Sha256Md() {
    static const std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> md(EVP_MD_fetch(nullptr, "SHA256", nullptr),
                                                                    &EVP_MD_free);
    return md.get();
}

}  // namespace

void Sha256::Deleter::operator()(evp_md_ctx_st* context) const { EVP_MD_CTX_free(context); }

Sha256::Sha256() : m_context(EVP_MD_CTX_new()) {
    if (!m_context || Sha256Md() == nullptr || EVP_DigestInit_ex2(m_context.get(), Sha256Md(), nullptr) != 1)
        throw std::bad_alloc();
}

void Sha256::Add(std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) EVP_DigestUpdate(m_context.get(), bytes.data(), bytes.size());
}

QByteArray Sha256::HexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context.get(), digest, &length);
    EVP_DigestInit_ex2(m_context.get(), Sha256Md(), nullptr);
    return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(length)).toHex();
}

QByteArray Sha256::Of(std::span<const std::uint8_t> bytes) {
    Sha256 hash;
    hash.Add(bytes);
    return hash.HexDigest();
}

}  // namespace korvane
