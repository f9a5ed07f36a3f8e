#include "net/tls_socket_bio.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdint>

namespace velomira {

namespace {

int fdOf(BIO* bio) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
}

bool retryable(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

int writeBytes(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    ssize_t sent = ::send(fdOf(bio), data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && retryable(errno))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int readBytes(BIO* bio, char* data, int size) {
    BIO_clear_retry_flags(bio);
    ssize_t got = ::recv(fdOf(bio), data, static_cast<std::size_t>(size), 0);
    if (got < 0 && retryable(errno))
        BIO_set_retry_read(bio);
    return static_cast<int>(got);
}

long control(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int create(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

} // namespace

BioMethodHandle makeSocketBioMethod() {
    BioMethodHandle method(
        BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "velomira socket"));
    if (method && BIO_meth_set_write(method.get(), writeBytes) == 1 &&
        BIO_meth_set_read(method.get(), readBytes) == 1 &&
        BIO_meth_set_ctrl(method.get(), control) == 1 &&
        BIO_meth_set_create(method.get(), create) == 1)
        return method;
    return {};
}

BIO* socketBio(const BIO_METHOD* method, int fd) {
    BIO* bio = BIO_new(method);
    if (bio != nullptr)
        BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)));
    return bio;
}

} // namespace velomira
