#pragma once
// The TLS library's access to our socket: send() with MSG_NOSIGNAL, so a server that closes
// while we write is a failed write, never a SIGPIPE that ends the program; the socket stays
// ours (the BIO never closes it).
#include <openssl/bio.h>

#include <memory>

namespace velomira {

struct BioMethodFree {
    void operator()(BIO_METHOD* method) const { BIO_meth_free(method); }
};
using BioMethodHandle = std::unique_ptr<BIO_METHOD, BioMethodFree>;

// Made once per TLS context; null when the library is out of memory.
BioMethodHandle makeSocketBioMethod();

// A BIO over fd with that method; null on failure.
BIO* socketBio(const BIO_METHOD* method, int fd);

} // namespace velomira
