#include "media/bounded_reader.h"

namespace velomira {

BoundedReader::BoundedReader(std::FILE* file) : file_(file) {
    if (!file_ || std::fseek(file_, 0, SEEK_END) != 0) {
        error_ = file_ != nullptr;
        return;
    }
    long end = std::ftell(file_);
    if (end < 0 || std::fseek(file_, 0, SEEK_SET) != 0) {
        error_ = true;
        return;
    }
    size_ = end;
}

std::size_t BoundedReader::readUpTo(unsigned char* out, std::size_t count) {
    long left = size_ - position_;
    if (count > static_cast<std::size_t>(left))
        count = static_cast<std::size_t>(left);
    if (count == 0)
        return 0;
    std::size_t got = std::fread(out, 1, count, file_);
    position_ += static_cast<long>(got);
    if (got < count)
        error_ = true; // shorter than measured: shrunk under us or unreadable
    return got;
}

bool BoundedReader::read(unsigned char* out, std::size_t count) {
    if (count > static_cast<std::size_t>(size_ - position_))
        return false;
    return readUpTo(out, count) == count;
}

bool BoundedReader::readByte(unsigned& value) {
    unsigned char byte;
    if (!read(&byte, 1))
        return false;
    value = byte;
    return true;
}

bool BoundedReader::readBigEndian16(unsigned& value) {
    unsigned char bytes[2];
    if (!read(bytes, 2))
        return false;
    value = bigEndian16(bytes);
    return true;
}

bool BoundedReader::skip(long count) {
    if (count < 0 || count > size_ - position_)
        return false;
    return seek(position_ + count);
}

bool BoundedReader::seek(long offset) {
    if (offset < 0 || offset > size_)
        return false;
    if (std::fseek(file_, offset, SEEK_SET) != 0) {
        error_ = true;
        return false;
    }
    position_ = offset;
    return true;
}

} // namespace velomira
