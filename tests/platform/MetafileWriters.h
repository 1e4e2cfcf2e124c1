#pragma once

// Metafiles written record by record with libuemf, for the tests and the
// fuzz seeds: pictures as other drawing programs write them.
#include <QByteArray>

#include <uemf.h>
#include <uwmf.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace qm::test {

// libuemf gives no record for arguments it cannot encode.
inline void RequireRecord(const char* record)
{
    if (!record)
        throw std::invalid_argument("libuemf made no record of these arguments");
}

// An enhanced metafile built in memory with libuemf, as a drawing program
// writes one: a picture of width x height pixels on a 96 dpi reference
// device, objects numbered by libuemf's handle table.
class TEmfWriter {
public:
    TEmfWriter(std::int32_t width, std::int32_t height)
    {
        emf_start("/dev/null", 4096, 4096, &track_);
        emf_htable_create(64, 64, &handles_);
        const U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(width - 1, height - 1));
        const U_RECTL frame = rectl_set(pointl_set(0, 0), pointl_set(width * 2540 / 96 - 1, height * 2540 / 96 - 1));
        Add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(960, 960), sizel_set(254, 254), 0));
    }
    ~TEmfWriter()
    {
        emf_free(&track_);
        emf_htable_free(&handles_);
    }
    TEmfWriter(const TEmfWriter&) = delete;
    TEmfWriter& operator=(const TEmfWriter&) = delete;

    void Add(char* record)
    {
        RequireRecord(record);
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), track_, U_REC_FREE);
    }
    EMFHANDLES* Handles() { return handles_; }

    // Adds the record of a new object, `create(&index, handles)`; returns the object's index.
    template <typename Create>
    std::uint32_t Make(Create&& create)
    {
        std::uint32_t index = 0;
        Add(create(&index, handles_));
        return index;
    }

    QByteArray Finish()
    {
        Add(U_EMREOF_set(0, nullptr, track_));
        emf_finish(track_, handles_);
        return QByteArray(track_->buf, static_cast<qsizetype>(track_->used));
    }

private:
    EMFTRACK* track_ = nullptr;
    EMFHANDLES* handles_ = nullptr;
};

// A Windows metafile built in memory with libuemf: a placeable header of
// width x height units at 96 units per inch, so one unit is one pixel.
// Objects take table places as GDI gives them: the lowest free one.
class TWmfWriter {
public:
    TWmfWriter(std::int32_t width, std::int32_t height)
    {
        wmf_start("/dev/null", 4096, 4096, &track_);
        U_PAIRF size{static_cast<float>(width) / 96, static_cast<float>(height) / 96};
        wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(&size, 96)), track_, U_REC_FREE);
    }
    ~TWmfWriter() { wmf_free(&track_); }
    TWmfWriter(const TWmfWriter&) = delete;
    TWmfWriter& operator=(const TWmfWriter&) = delete;

    void Add(char* record)
    {
        RequireRecord(record);
        wmf_append(reinterpret_cast<U_METARECORD*>(record), track_, U_REC_FREE);
    }

    // The header declares an object table of `objects` places.
    QByteArray Finish(std::uint16_t objects = 16)
    {
        Add(U_WMREOF_set());
        wmf_finish(track_);
        QByteArray bytes(track_->buf, static_cast<qsizetype>(track_->used));
        std::memcpy(bytes.data() + U_SIZE_WMRPLACEABLE + offsetof(U_WMRHEADER, nObjects), &objects, sizeof(objects));
        return bytes;
    }

private:
    WMFTRACK* track_ = nullptr;
};

} // namespace qm::test
