#include "link/version.h"

#include "link/fields.h"

namespace orvr {

bool VersionSupported(const QString& reply) {
    if (reply.isEmpty()) {
        return false;
    }
    const QString version = SplitFields(reply, u';').value(0);
    const QStringList parts = SplitFields(version, u'.');
    // An empty version has no part at all; it fails like an empty number would.
    const int32_t major = Integer(parts.value(0), IntegerMessage::Typed);
    const int32_t minor = parts.size() > 1 ? Integer(parts[1], IntegerMessage::Typed) : 0;
    const auto low8 = [](int32_t v) { return static_cast<uint32_t>(v) & 0xFFu; };
    return low8(major) > 2 || low8(minor) >= 8;
}

}  // namespace orvr
