#include "support/recording_sink.h"

namespace velomira::testing {

bool RecordingSink::record(bool repeat, const unsigned char* bytes, std::size_t length) {
    deliveries_.push_back({repeat, std::string(reinterpret_cast<const char*>(bytes), length)});
    return failAt_ == 0 || count() < failAt_;
}

bool RecordingSink::writeFrame(const unsigned char* bytes, std::size_t length) {
    return record(false, bytes, length);
}

bool RecordingSink::repeatFrame(const unsigned char* bytes, std::size_t length) {
    return record(true, bytes, length);
}

int RecordingSink::writes() const {
    int n = 0;
    for (const Delivery& d : deliveries_)
        n += d.repeat ? 0 : 1;
    return n;
}

int RecordingSink::repeats() const {
    return count() - writes();
}

bool RecordingSink::repeatsMatchPrevious() const {
    for (std::size_t i = 0; i < deliveries_.size(); ++i) {
        if (deliveries_[i].repeat && (i == 0 || deliveries_[i].bytes != deliveries_[i - 1].bytes))
            return false;
    }
    return true;
}

} // namespace velomira::testing
