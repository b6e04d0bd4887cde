// SHA-256 through OpenSSL's libcrypto (which uses the processor's SHA
// instructions where there are any), fed piece by piece.
#pragma once

#include <QByteArray>

#include <memory>
#include <span>

struct evp_md_ctx_st;

namespace korvane {

class Sha256 {
public:
    Sha256();
    void Add(std::span<const std::uint8_t> bytes);
    // The digest in lower-case hex; the object starts over afterwards.
    QByteArray HexDigest();

    static QByteArray Of(std::span<const std::uint8_t> bytes);

private:
    struct Deleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, Deleter> m_context;
};

}  // namespace korvane
