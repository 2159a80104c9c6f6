// libFuzzer target for the settings store's file parser: any bytes parse without a fault,
// and what the store would write back from them reads back clean and the same, byte for
// byte and value for value, so a hand-damaged file can never make the store lose or
// change more than the lines it skips.
#include "app/KeyStore.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                    qsizetype(size));
    quadrel::StoreContents first;
    QString error;
    int line = 0;
    const bool clean = first.parse(text, &error, &line);
    require(clean == error.isEmpty() && clean == (line == 0));

    const QByteArray written = first.serialize(QStringLiteral("fuzz"));
    quadrel::StoreContents second;
    require(second.parse(written));
    require(second.serialize(QStringLiteral("fuzz")) == written);
    require(second.keys().size() == first.keys().size());
    for (const quadrel::StoredKey &k : first.keys()) {
        const quadrel::StoredKey *again = second.find(k.path);
        require(again && again->path == k.path && again->values.size() == k.values.size());
        for (const quadrel::StoredValue &v : k.values) {
            const quadrel::StoredValue *w = again->find(v.name);
            require(w && w->name == v.name && w->type == v.type && w->data == v.data);
        }
    }
    return 0;
}
