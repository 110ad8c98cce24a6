// PNG encoding and decoding on Windows, with the system's own image codecs (Windows Imaging
// Component): pictures are encoded into a stream in memory, images decoded from their file.
#ifdef _WIN32
#include "library/core/state.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdlib>
#include <cstring>

namespace {

template <typename T>
void release(T *&object) {
    if (object) object->Release();
    object = nullptr;
}

// Encodes rows of 24-bit (blue, green, red) or 32-bit (and alpha) pixels into stream; false
// when any step fails.
bool encode_into(IStream *stream, BYTE *rows, int width, int height, bool alpha) {
    IWICImagingFactory *factory = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICBitmapFrameEncode *frame = nullptr;
    IPropertyBag2 *options = nullptr;
    UINT stride = (UINT)width * (alpha ? 4 : 3);
    const WICPixelFormatGUID wanted = alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    WICPixelFormatGUID format = wanted;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, (void **)&factory)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) &&
              SUCCEEDED(frame->Initialize(options)) &&
              SUCCEEDED(frame->SetSize((UINT)width, (UINT)height)) &&
              SUCCEEDED(frame->SetPixelFormat(&format)) &&
              IsEqualGUID(format, wanted) &&
              SUCCEEDED(frame->WritePixels((UINT)height, stride, stride * (UINT)height, rows)) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    release(options);
    release(frame);
    release(encoder);
    release(factory);
    return ok;
}

}  // namespace

int encode_png(const uint32_t *pixels, int width, int height, bool alpha, unsigned char **data,
               size_t *size, const char **reason) {
    size_t count = (size_t)width * height, channels = alpha ? 4 : 3;
    BYTE *rows = (BYTE *)malloc(count * channels);
    if (!rows) {
        *reason = "out of memory";
        return 0;
    }
    for (size_t i = 0; i < count; i++) {
        rows[channels * i] = (BYTE)pixels[i];
        rows[channels * i + 1] = (BYTE)(pixels[i] >> 8);
        rows[channels * i + 2] = (BYTE)(pixels[i] >> 16);
        if (alpha) rows[channels * i + 3] = (BYTE)(pixels[i] >> 24);
    }
    // COM may already be open on this thread, in either model; only a successful call is undone.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IStream *stream = nullptr;
    bool ok = SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
              encode_into(stream, rows, width, height, alpha);
    free(rows);
    STATSTG status;
    unsigned char *out = nullptr;
    if (ok && SUCCEEDED(stream->Stat(&status, STATFLAG_NONAME))) {
        HGLOBAL memory = nullptr;
        size_t length = (size_t)status.cbSize.QuadPart;
        if (SUCCEEDED(GetHGlobalFromStream(stream, &memory)) &&
            (out = (unsigned char *)malloc(length))) {
            void *bytes = GlobalLock(memory);
            if (bytes) {
                memcpy(out, bytes, length);
                GlobalUnlock(memory);
                *data = out;
                *size = length;
            } else {
                free(out);
                out = nullptr;
            }
        }
    }
    release(stream);
    if (SUCCEEDED(com)) CoUninitialize();
    if (!out) *reason = "the PNG encoder failed";
    return out ? 1 : 0;
}

// Every PNG becomes 8-bit blue, green, red, alpha (not premultiplied) through WIC's converter.
int decode_png(const char *path, int width, int height, uint32_t *pixels, const char **reason) {
    int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    wchar_t *wide = length > 0 ? (wchar_t *)malloc((size_t)length * sizeof(wchar_t)) : nullptr;
    if (!wide) {
        *reason = "out of memory";
        return 0;
    }
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, length);
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory *factory = nullptr;
    IWICBitmapDecoder *decoder = nullptr;
    IWICBitmapFrameDecode *frame = nullptr;
    IWICFormatConverter *converter = nullptr;
    UINT w = 0, h = 0;
    UINT stride = (UINT)width * 4;
    bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, (void **)&factory)) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(wide, nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&w, &h)) &&
        (int)w == width && (int)h == height &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA,
                                        WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->CopyPixels(nullptr, stride, stride * (UINT)height, (BYTE *)pixels));
    release(converter);
    release(frame);
    release(decoder);
    release(factory);
    if (SUCCEEDED(com)) CoUninitialize();
    free(wide);
    if (!ok) *reason = "damaged PNG file: the decoder failed";
    return ok ? 1 : 0;
}
#endif
