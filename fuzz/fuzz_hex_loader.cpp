// The HEX loader on any update file: it never reads or writes outside the image, and a refused
// file leaves the caller's image exactly as it was.

#include "FuzzTarget.h"
#include "core/HexLoader.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (fuzzing::quietLogging(), true);
    (void)quiet;

    QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer device(&text);
    device.open(QIODevice::ReadOnly);

    core::FlashImage image;
    image.set(0x1234, 0x5A); // something a refusal must keep
    const core::FlashImage before = image;
    const core::HexLoadResult result = core::loadIntelHex(device, image);

    if (image.all().size() != core::FlashImage::kSize)
        fuzzing::violated("the image changed its size");
    if (!result.ok) {
        if (!(image == before))
            fuzzing::violated("a refused file changed the image");
        if (result.fault.isEmpty() || result.line < 0)
            fuzzing::violated("a refusal without its reason");
        (void)result.message();
    } else if (result.dataRecords < 0) {
        fuzzing::violated("a negative record count");
    }
    return 0;
}
