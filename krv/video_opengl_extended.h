// The GLSL shader table: 64 slots of vertex shader, fragment shader and
// program; a shader id is the index of its slot, -1 a shader not built.
#pragma once

#define KRV_MAXSHADERS 64

struct s_shader {
    unsigned int program;
    unsigned int vertexshader;
    unsigned int fragmentshader;
};

extern s_shader KRV_shader[KRV_MAXSHADERS];
extern int KRV_numshaders;       // slots handed out; the id of the next build
extern int KRV_shaders_enabled;  // GLSL usable; set by window start-up

// The framework's own post shader: scanlines and fade.
extern const char vv_defaultpostshader[];
extern const char ff_defaultpostshader[];

int KRV_InitShader(const char* vertexsource, const char* fragmentsource);
int KRV_LoadShader(const char* vertexpath, const char* fragmentpath);
int KRV_InitDefaultPostShader(void);
void KRV_DeleteShader(int id);
void KRV_BindShader(int id);
void KRV_UnbindShader(void);
void KRV_SetShaderUniform1i(int id, const char* name, int value);
void KRV_SetShaderUniform1f(int id, const char* name, float x);
void KRV_SetShaderUniform2f(int id, const char* name, float x, float y);
void KRV_SetShaderUniform3f(int id, const char* name, float x, float y, float z);
void KRV_SetShaderUniform4f(int id, const char* name, float x, float y, float z, float w);
void KRV_SetShaderUniform1fv(int id, const char* name, int count, float* values);
