// The show's assets: the sixteen shader files and the built-in CRT post
// shader, the 25 PNG images (decoded by lodepng) and the two bitmap fonts,
// all loaded once at start-up from the mounted data image.
#pragma once

#include "krv/corebitmap.h"
#include "krv/corefont.h"

// One shader file as the show loaded it; the text is never released.
struct s_demoshader {
    int id;          // the shader id KRV_InitShader returned
    char* source;    // the shader's text, NUL-terminated
    char* buffer;    // the allocation holding the text (same as source)
};

#define DEMO_MAXSHADERS 64
extern s_demoshader demoshader[DEMO_MAXSHADERS];
extern int numshaders;

// Shader ids of the sixteen files, -1 for a file missing from the data image.
extern int shader_audio;
extern int shader_intro;
extern int shader_title;
extern int shader_metaballs;
extern int shader_lumicube;
extern int shader_heart;
extern int shader_cubemaze;
extern int shader_prolvens;
extern int shader_floor;
extern int shader_mossruncube;
extern int shader_mossruninside;
extern int shader_noise;
extern int transition_dissolve;
extern int transition_fade;
extern int transition_flash;
extern int transition_lumadissolve;
// The CRT post shader built from vv_default and ff_xcopy.
extern int postshader_id;

// The vertex shader paired with every demo shader, and the CRT post shader.
#include "demo/shadertexts.h"

// The images; bmp_none is never loaded and stands for "no texture".
extern s_bitmap bmp_curtain;
extern s_bitmap bmp_intro;
extern s_bitmap bmp_vote;
extern s_bitmap bmp_band;
extern s_bitmap bmp_title;
extern s_bitmap bmp_lumitide1;
extern s_bitmap bmp_lumitide2;
extern s_bitmap bmp_lumitide2b;
extern s_bitmap bmp_lumitide2t;
extern s_bitmap bmp_lumitide;
extern s_bitmap bmp_kowtf1;
extern s_bitmap bmp_kowtf2;
extern s_bitmap bmp_varu1;
extern s_bitmap bmp_varu2;
extern s_bitmap bmp_credits1;
extern s_bitmap bmp_credits2;
extern s_bitmap bmp_credits3;
extern s_bitmap bmp_credits4;
extern s_bitmap bmp_girls;
extern s_bitmap bmp_girls2;
extern s_bitmap bmp_prolvens;
extern s_bitmap bmp_prolvens2;
extern s_bitmap bmp_prolvenstext;
extern s_bitmap bmp_getmossruny;
extern s_bitmap bmp_glintext;
extern s_bitmap bmp_none;

extern s_font font;
extern s_font fontdark;

int LoadShader(const char* path);
void LoadShaders(void);
void KRV_LoadBitmapPNG(const char* path, s_bitmap* bitmap);
void LoadResources(void);
