// Image loading by name and the TGA decoder. The file is read whole from the
// mounted data image; every pixel is decoded to 0xAARRGGBB, passed through
// the colour key and stored with KRV_DrawPixel. The header is judged before
// the bitmap is made: a depth the decoder cannot read, a size past the
// loaders' ceiling, or more pixels than the file's bytes could hold is
// refused with one line and no bitmap. Every image type is decoded: 0 to 7
// as uncompressed data, 8 and above as run-length data. Every read is checked against the
// file's size: a damaged file stops the decode with a message, and the
// pixels not reached keep the new bitmap's transparent black.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/corefile/corefile.h"
#include "krv/corebitmap.h"
#include "krv/corebitmap_private.h"

namespace {

// One decode: the file's bytes, the reading position and the colour map.
struct tga_decode {
    const unsigned char* data;
    unsigned int size;
    unsigned int pos;         // never beyond size
    int depth;                // bits per pixel
    int bytesperpixel;        // 1 to 4, from the depth
    int greyscale;            // image types 3 and 11
    unsigned int map[256];    // 0xAARRGGBB; entries not provided stay 0
    unsigned char provided[256];
    int warned_missing;       // the missing-entry line is printed once per load
};

// Hands out the next n bytes, or fails when the file has fewer left.
bool tga_take(tga_decode* d, unsigned int n, const unsigned char** bytes) {
    if (d->size - d->pos < n) return false;
    *bytes = d->data + d->pos;
    d->pos += n;
    return true;
}

// A 15- or 16-bit value: 5 bits each of red, green, blue scaled by 8; bit 15
// is not read and alpha is 255.
unsigned int tga_from16(unsigned int w) {
    return 0xFF000000u | ((((w >> 10) & 31) * 8) << 16) | ((((w >> 5) & 31) * 8) << 8) | ((w & 31) * 8);
}

// Reads one pixel value; false when the file ends first.
bool tga_pixel(tga_decode* d, unsigned int* colour) {
    const unsigned char* p;
    if (!tga_take(d, (unsigned int)d->bytesperpixel, &p)) return false;
    switch (d->depth) {
    case 8:
        if (d->greyscale) {
            *colour = 0xFF000000u | ((unsigned int)p[0] << 16) | ((unsigned int)p[0] << 8) | p[0];
        } else {
            if (!d->provided[p[0]] && !d->warned_missing) {
                printf("TGA: pixel value %d names a colour map entry the file does not provide; "
                       "drawn transparent.\n",
                       p[0]);
                d->warned_missing = 1;
            }
            *colour = d->map[p[0]];
        }
        break;
    case 15:
    case 16:
        *colour = tga_from16((unsigned int)p[0] | ((unsigned int)p[1] << 8));
        break;
    case 24:
        *colour = 0xFF000000u | ((unsigned int)p[2] << 16) | ((unsigned int)p[1] << 8) | p[0];
        break;
    default:  // 32: blue, green, red, alpha
        *colour = ((unsigned int)p[3] << 24) | ((unsigned int)p[2] << 16) | ((unsigned int)p[1] << 8) | p[0];
        break;
    }
    return true;
}

// Reads the colour map; false when the file ends inside it.
bool tga_colourmap(tga_decode* d, int first, int length, int entrybits) {
    int entrybytes;
    switch (entrybits) {
    case 15:
    case 16:
        entrybytes = 2;
        break;
    case 24:
        entrybytes = 3;
        break;
    case 32:
        // Entries with alpha: blue, green, red, alpha, as 32-bit pixels.
        entrybytes = 4;
        break;
    default:
        // Any other entry size is stepped over, entries left undefined.
        entrybytes = (entrybits + 7) / 8;
        printf("TGA: colour map entries of %d bits are not supported; skipped.\n", entrybits);
        break;
    }
    int warned_beyond = 0;
    for (int i = 0; i < length; i++) {
        const unsigned char* p;
        if (!tga_take(d, (unsigned int)entrybytes, &p)) return false;
        int index = first + i;
        if (index >= 256) {
            if (!warned_beyond) {
                printf("TGA: colour map entry %d lies beyond the 256-entry table; dropped.\n", index);
                warned_beyond = 1;
            }
            continue;
        }
        unsigned int colour;
        if (entrybits == 15 || entrybits == 16) {
            colour = tga_from16((unsigned int)p[0] | ((unsigned int)p[1] << 8));
        } else if (entrybits == 24) {
            colour = 0xFF000000u | ((unsigned int)p[2] << 16) | ((unsigned int)p[1] << 8) | p[0];
        } else if (entrybits == 32) {
            colour = ((unsigned int)p[3] << 24) | ((unsigned int)p[2] << 16) | ((unsigned int)p[1] << 8) | p[0];
        } else {
            continue;
        }
        d->map[index] = colour;
        d->provided[index] = 1;
    }
    return true;
}

unsigned short tga_u16(const unsigned char* p) {
    return (unsigned short)(p[0] | (p[1] << 8));
}

// Whether the header describes an image this decoder can honour; prints the
// reason when it does not. datasize is the count of bytes after the header.
// A run-length packet takes at least 2 bytes and gives at most 128 pixels, so
// no file can hold more than 64 pixels per byte after its header; a file that
// claims more is refused rather than given a bitmap it could never fill (one
// that is merely cut short still decodes as far as its bytes go).
bool tga_honoured(int width, int height, int depth, unsigned int datasize) {
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        printf("TGA: pixel depth %d is not supported.\n", depth);
        return false;
    }
    if (width > KRV_MAXIMAGESIZE || height > KRV_MAXIMAGESIZE) {
        printf("TGA: %d x %d is too large (at most %d pixels a side).\n", width, height, KRV_MAXIMAGESIZE);
        return false;
    }
    if ((unsigned long long)width * (unsigned long long)height > 64ull * datasize) {
        printf("TGA: %d x %d pixels cannot fit in the %u bytes after the header.\n", width, height, datasize);
        return false;
    }
    return true;
}

}  // namespace

int ConvertTransp(int colour) {
    unsigned int c = (unsigned int)colour;
    unsigned int red = (c >> 16) & 0xFF, green = (c >> 8) & 0xFF, blue = c & 0xFF;
    if (red > 240 && green < 16 && blue > 240) return 0;
    return colour;
}

char* upcase(char* text) {
    for (char* p = text; *p; p++) {
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 32);
    }
    return text;
}

void LoadImageTGA(const char* name, s_bitmap* bitmap) {
    s_corefile file;
    if (!corefile_open(name, &file, 0)) return;
    unsigned int filesize = file.size;
    if (filesize > (unsigned int)INT_MAX) {
        printf("TGA: file of %u bytes is too large to read.\n", filesize);
        corefile_close(&file);
        return;
    }
    unsigned char* data = (unsigned char*)malloc(filesize ? filesize : 1);
    if (!data) {
        printf("TGA: no memory for a file of %u bytes.\n", filesize);
        corefile_close(&file);
        return;
    }
    // Zeroed first, so a short read from the image leaves defined bytes.
    memset(data, 0, filesize ? filesize : 1);
    corefile_read(data, (int)filesize, 1, &file);
    corefile_close(&file);

    if (filesize < 18) {
        printf("TGA: file of %u bytes is shorter than its 18-byte header.\n", filesize);
        free(data);
        return;
    }

    int idlength = data[0];
    int maptype = data[1];
    int imagetype = data[2];
    int mapfirst = tga_u16(data + 3);
    int maplength = tga_u16(data + 5);
    int mapbits = data[7];
    int width = tga_u16(data + 12);
    int height = tga_u16(data + 14);
    int depth = data[16];
    int descriptor = data[17];

    printf("width: %d, height: %d, bpp: %d\n", width, height, depth);
    if (!tga_honoured(width, height, depth, filesize - 18)) {
        free(data);
        return;
    }
    KRV_CreateBitmap(width, height, bitmap);

    int righttoleft = (descriptor & 0x10) != 0;
    int toptobottom = (descriptor & 0x20) != 0;
    int interleave = (descriptor & 0x80) ? 4 : ((descriptor & 0x40) ? 2 : 1);

    tga_decode* d = (tga_decode*)malloc(sizeof(tga_decode));
    if (!d) {
        free(data);
        return;
    }
    memset(d, 0, sizeof(*d));
    d->data = data;
    d->size = filesize;
    d->pos = 18;
    d->depth = depth;
    d->greyscale = (imagetype == 3 || imagetype == 11);
    switch (depth) {
    case 8: d->bytesperpixel = 1; break;
    case 15:
    case 16: d->bytesperpixel = 2; break;
    case 24: d->bytesperpixel = 3; break;
    default: d->bytesperpixel = 4; break;  // 32, the last depth the header check lets through
    }

    const unsigned char* skipped;
    if (!tga_take(d, (unsigned int)idlength, &skipped)) {
        printf("TGA: file ends inside its image ID.\n");
    } else if (maptype != 0 && !tga_colourmap(d, mapfirst, maplength, mapbits)) {
        printf("TGA: file ends inside its colour map.\n");
    } else if (!bitmap->pixels) {
        // No buffer to decode into (its allocation failed).
    } else if (imagetype <= 7) {
        // Uncompressed: the rows in interleave passes; stored row k of pass p
        // is image row p + k * f counted from the origin's starting row.
        int rowsperpass = (height + interleave - 1) / interleave;
        bool ended = false;
        for (int p = 0; p < interleave && !ended; p++) {
            for (int k = 0; k < rowsperpass && !ended; k++) {
                int row = p + k * interleave;
                int y = toptobottom ? row : height - 1 - row;
                for (int c = 0; c < width; c++) {
                    unsigned int colour;
                    if (!tga_pixel(d, &colour)) {
                        ended = true;
                        break;
                    }
                    if (row >= height) continue;  // a row past the image: read and dropped
                    int x = righttoleft ? width - 1 - c : c;
                    KRV_DrawPixel(x, y, ConvertTransp((int)colour), *bitmap);
                }
            }
        }
        if (ended) printf("TGA: file ends inside its pixel data.\n");
    } else {
        // Run-length packets, running on across row ends; no interleave.
        printf("TGA is RLE packed.");
        unsigned long long total = (unsigned long long)width * (unsigned long long)height;
        unsigned long long done = 0;
        int c = 0, r = 0;
        bool ended = false;
        while (done < total && !ended) {
            const unsigned char* h;
            if (!tga_take(d, 1, &h)) {
                ended = true;
                break;
            }
            int count = (h[0] & 127) + 1;
            bool run = (h[0] & 0x80) != 0;
            unsigned int colour = 0;
            if (run) {
                if (!tga_pixel(d, &colour)) {
                    ended = true;
                    break;
                }
                colour = (unsigned int)ConvertTransp((int)colour);
            }
            for (int i = 0; i < count; i++) {
                if (!run) {
                    if (!tga_pixel(d, &colour)) {
                        ended = true;
                        break;
                    }
                    colour = (unsigned int)ConvertTransp((int)colour);
                }
                // Positions past the image's end are dropped.
                if (r < height) {
                    int x = righttoleft ? width - 1 - c : c;
                    int y = toptobottom ? r : height - 1 - r;
                    KRV_DrawPixel(x, y, (int)colour, *bitmap);
                }
                done++;
                if (++c >= width) {
                    c = 0;
                    r++;
                }
            }
        }
        if (ended) printf("TGA: file ends inside its pixel data.\n");
    }

    free(d);
    free(data);
}

// Decodes name into bitmap and uploads it; the pixel buffer stays in the
// record. Only names ending in ".tga" (any case) are accepted.
static bool krv_loadbitmap(const char* name, s_bitmap* bitmap) {
    const char* dot = strrchr(name, '.');
    char extension[16];
    if (!dot || dot == name || strlen(dot) > 15) {
        printf("File format not supported.\n");
        return false;
    }
    strcpy(extension, dot);
    upcase(extension);
    if (strcmp(extension, ".TGA") != 0) {
        printf("File format not supported.\n");
        return false;
    }
    printf("Loading TGA image.");
    LoadImageTGA(name, bitmap);
    if (bitmap->pixels) {
        KRV_UpdateTexture(bitmap->textureid, bitmap->width, bitmap->height, bitmap->pixels);
        return true;
    }
    printf("- ERROR: Image %s not loaded.\n", name);
    return false;
}

void KRV_LoadBitmap(const char* name, s_bitmap* bitmap) {
    krv_loadbitmap(name, bitmap);
}

void KRV_LoadBitmapStatic(const char* name, s_bitmap* bitmap) {
    if (krv_loadbitmap(name, bitmap)) {
        free(bitmap->pixels);
        bitmap->pixels = nullptr;
    }
}
