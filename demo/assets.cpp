// The show's assets: shader files into the framework's shader table, the CRT
// post shader, PNG images into bitmaps, and the two fonts.
#include "demo/assets.h"

#include <lodepng.h>

#include <cstdio>
#include <cstdlib>

#include "core/corefile/corefile.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"

s_demoshader demoshader[DEMO_MAXSHADERS];
int numshaders = 0;

int shader_audio = -1;
int shader_intro = -1;
int shader_title = -1;
int shader_metaballs = -1;
int shader_lumicube = -1;
int shader_heart = -1;
int shader_cubemaze = -1;
int shader_prolvens = -1;
int shader_floor = -1;
int shader_mossruncube = -1;
int shader_mossruninside = -1;
int shader_noise = -1;
int transition_dissolve = -1;
int transition_fade = -1;
int transition_flash = -1;
int transition_lumadissolve = -1;
int postshader_id = -1;

s_bitmap bmp_curtain, bmp_intro, bmp_vote, bmp_band, bmp_title;
s_bitmap bmp_lumitide1, bmp_lumitide2, bmp_lumitide2b, bmp_lumitide2t, bmp_lumitide;
s_bitmap bmp_kowtf1, bmp_kowtf2, bmp_varu1, bmp_varu2;
s_bitmap bmp_credits1, bmp_credits2, bmp_credits3, bmp_credits4;
s_bitmap bmp_girls, bmp_girls2, bmp_prolvens, bmp_prolvens2, bmp_prolvenstext;
s_bitmap bmp_getmossruny, bmp_glintext;
s_bitmap bmp_none;

s_font font;
s_font fontdark;

// ---- shaders -------------------------------------------------------------------

int LoadShader(const char* path) {
    s_corefile handle;
    if (!corefile_open(path, &handle, 0)) return -1;
    // The list has room for 64 texts; a 65th file is refused so that nothing
    // is written past the table (the show loads 16).
    if (numshaders < 0 || numshaders >= DEMO_MAXSHADERS) {
        corefile_close(&handle);
        printf("- shader list full (%d), %s not loaded\n", DEMO_MAXSHADERS, path);
        return -1;
    }
    printf("load shadefile %s, size: %d\n", path, (int)handle.size);
    s_demoshader* record = &demoshader[numshaders];
    record->buffer = (char*)malloc((size_t)handle.size + 1);
    if (!record->buffer) {
        corefile_close(&handle);
        printf("- out of memory for shader %s\n", path);
        return -1;
    }
    corefile_read(record->buffer, (int)handle.size, 1, &handle);
    corefile_close(&handle);
    record->buffer[handle.size] = 0;
    record->id = KRV_InitShader(vv_default, record->buffer);
    printf("Shader ID: %d\n", record->id);
    record->source = record->buffer;
    numshaders++;
    return record->id;
}

void LoadShaders(void) {
    shader_audio = LoadShader("audio.glsl");
    shader_intro = LoadShader("wave_curtain2.glsl");
    shader_title = LoadShader("firecube.glsl");
    shader_metaballs = LoadShader("ballz.glsl");
    shader_lumicube = LoadShader("lumicube.glsl");
    shader_heart = LoadShader("heart.glsl");
    shader_cubemaze = LoadShader("cubemaze2.glsl");
    shader_prolvens = LoadShader("voronoi.glsl");
    shader_floor = LoadShader("blobs2.glsl");
    shader_mossruncube = LoadShader("mossruncube.glsl");
    shader_mossruninside = LoadShader("mossruninside.glsl");
    shader_noise = LoadShader("noise.glsl");
    transition_dissolve = LoadShader("transition_dissolve.glsl");
    transition_fade = LoadShader("transition_fade.glsl");
    transition_flash = LoadShader("transition_flash.glsl");
    transition_lumadissolve = LoadShader("transition_lumadissolve.glsl");
    postshader_id = KRV_InitShader(vv_default, ff_xcopy);
    KRV_SetPostShader(postshader_id);
}

// ---- PNG images ----------------------------------------------------------------

void KRV_LoadBitmapPNG(const char* path, s_bitmap* bitmap) {
    s_corefile handle;
    if (!corefile_open(path, &handle, 0)) {
        printf("- couldn't open file: %s\n", path);
        return;
    }
    unsigned int size = corefile_fsize(&handle);
    unsigned char* data = (unsigned char*)malloc(size ? size : 1);
    if (!data) {
        corefile_close(&handle);
        printf("- out of memory for image %s\n", path);
        return;
    }
    corefile_read(data, (int)size, 1, &handle);
    corefile_close(&handle);
    printf("pngbuffer loaded: %d", (int)size);

    // The header first: a picture larger than the loaders' ceiling is refused
    // before the decoder allocates its pixels (a few bytes of PNG can claim
    // gigabytes of them). Within the ceiling lodepng still sets aside the
    // picture's raw size before it finds the data short: at most 512 MiB, for
    // 8192 x 8192 at 16 bits a channel.
    unsigned width = 0, height = 0;
    LodePNGState state;
    lodepng_state_init(&state);
    unsigned code = lodepng_inspect(&width, &height, &state, data, size);
    lodepng_state_cleanup(&state);
    if (!code && (width > KRV_MAXIMAGESIZE || height > KRV_MAXIMAGESIZE)) {
        printf("Error loading image: %ux%u is too large (at most %d pixels a side)\n", width, height,
               KRV_MAXIMAGESIZE);
        free(data);
        return;
    }
    unsigned char* image = nullptr;
    if (!code) code = lodepng_decode32(&image, &width, &height, data, size);
    if (code) {
        printf("Error loading image: %s\n", lodepng_error_text(code));
        free(data);
        free(image);
        return;
    }
    printf("PNG width: %d,height:%d\n", (int)width, (int)height);
    KRV_CreateBitmap((int)width, (int)height, bitmap);
    for (unsigned y = 0; y < height; y++) {
        for (unsigned x = 0; x < width; x++) {
            const unsigned char* p = image + ((size_t)y * width + x) * 4;
            unsigned int colour = (unsigned int)p[3] << 24 | (unsigned int)p[0] << 16 | (unsigned int)p[1] << 8 | p[2];
            KRV_DrawPixel((int)x, (int)y, (int)colour, *bitmap);
        }
    }
    KRV_UpdateBitmap(*bitmap);
    free(data);
    free(image);
}

// ---- all images and fonts ------------------------------------------------------------

namespace {

struct s_imagefile {
    const char* name;
    s_bitmap* bitmap;
    int clamp;  // texture wrap set to clamp-to-edge after loading
};

const s_imagefile imagefiles[] = {
    {"curtain640x16.png", &bmp_curtain, 0},
    {"kastrel_intro.png", &bmp_intro, 0},
    {"kastrel_vote.png", &bmp_vote, 0},
    {"band_sillouette640.png", &bmp_band, 1},
    {"title2.png", &bmp_title, 0},
    {"lumitide1o.png", &bmp_lumitide1, 1},
    {"lumitide2o2a.png", &bmp_lumitide2, 1},
    {"lumitide2o2b.png", &bmp_lumitide2b, 1},
    {"lumitide2wt2.png", &bmp_lumitide2t, 1},
    {"lumitide512b.png", &bmp_lumitide, 0},
    {"ko_wtf1.png", &bmp_kowtf1, 1},
    {"ko_wtf2.png", &bmp_kowtf2, 1},
    {"varu1.png", &bmp_varu1, 0},
    {"varu2.png", &bmp_varu2, 0},
    {"credits1.png", &bmp_credits1, 0},
    {"credits2.png", &bmp_credits2, 0},
    {"credits3.png", &bmp_credits3, 0},
    {"credits4.png", &bmp_credits4, 0},
    {"zeqo1280_2.png", &bmp_girls, 0},
    {"zeqo1280_2a.png", &bmp_girls2, 0},
    {"prolvens2.png", &bmp_prolvens, 1},
    {"prolvens2b.png", &bmp_prolvens2, 1},
    {"prolvenstext2.png", &bmp_prolvenstext, 1},
    {"getmossruny.png", &bmp_getmossruny, 0},
    {"text1024x64y.png", &bmp_glintext, 1},
};

}  // namespace

void LoadResources(void) {
    for (const s_imagefile& f : imagefiles) {
        KRV_LoadBitmapPNG(f.name, f.bitmap);
        // 0x812F is clamp-to-edge. The two filter values 0 are no valid filters:
        // GL refuses them and the filters stay as the bitmap was created with.
        if (f.clamp) KRV_SetTextureOptions(f.bitmap->textureid, 0, 0, 0x812F, 0x812F);
    }
    KRV_LoadFont("font_heat.tga", &font);
    KRV_LoadFont("font_heat2.tga", &fontdark);
}
