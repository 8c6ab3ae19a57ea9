// The GLSL shader table: builds programs from source texts or files, prints
// the compiler, linker and validation logs, binds, sets uniforms by name and
// deletes. With shaders disabled builds hand out ids and nothing else acts.
//
// The OpenGL 2.0 shader calls go through the pointers GLEW loads at window
// start-up.
#include <GL/glew.h>

#include "krv/video_opengl_extended.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

s_shader KRV_shader[KRV_MAXSHADERS];
int KRV_numshaders;
int KRV_shaders_enabled;

// =============================================================================
// The default post shader: every second line darkened by scanlinevalue, the
// whole picture scaled by fadevalue.
// =============================================================================

const char vv_defaultpostshader[] =
    "#version 120\n"
    "varying vec2 texCoord;\n"
    "void main()\n"
    "{\n"
    "    texCoord = gl_MultiTexCoord0.xy;\n"
    "    gl_Position = ftransform();\n"
    "}\n";

const char ff_defaultpostshader[] =
    "#version 120\n"
    "uniform sampler2D fbo_texture;\n"
    "uniform sampler2D fbo_depth;\n"
    "uniform float width;\n"
    "uniform float height;\n"
    "uniform float fadevalue;\n"
    "uniform float scanlinevalue;\n"
    "varying vec2 texCoord;\n"
    "vec4 TextureColor;\n"
    "void main()\n"
    "{\n"
    "    TextureColor = texture2D(fbo_texture, texCoord);\n"
    "    vec2 line = floor(texCoord * height);\n"
    "    vec4 colour;\n"
    "    if (mod(line.y, 2.0) == 0.0)\n"
    "        colour = TextureColor;\n"
    "    else\n"
    "        colour = TextureColor * (1.0 - scanlinevalue);\n"
    "    gl_FragColor = colour * fadevalue;\n"
    "}\n";

// =============================================================================
// Logs and source files
// =============================================================================

static void validateShader(unsigned int shader, const char* label) {
    char buffer[512];
    GLsizei length = 0;
    memset(buffer, 0, sizeof buffer);
    glGetShaderInfoLog(shader, 512, &length, buffer);
    if (length > 0) printf("Shader %d,%s,compiler error: %s\n", (int)shader, label ? label : "", buffer);
}

static void validateProgram(unsigned int program) {
    char buffer[512];
    GLsizei length = 0;
    memset(buffer, 0, sizeof buffer);
    glGetProgramInfoLog(program, 512, &length, buffer);
    if (length > 0) printf("Program %d,link error: %s\n", (int)program, buffer);

    GLint status = 0;
    glValidateProgram(program);
    glGetProgramiv(program, GL_VALIDATE_STATUS, &status);
    if (status == 0) printf("Error validating shader %d\n", (int)program);
}

// Reads a host file whole into a new NUL-terminated buffer, line ends CR LF
// read as LF as in text mode. A missing, unreadable or empty file gives null,
// and so does a folder (which would open, with a meaningless length).
static char* textFileRead(const char* path) {
    if (!path) return NULL;
    struct stat info;
    if (stat(path, &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG) return NULL;
    FILE* fp = fopen(path, "rt");
    if (!fp) return NULL;
    char* text = NULL;
    long length = -1;
    if (fseek(fp, 0, SEEK_END) == 0) length = ftell(fp);
    rewind(fp);
    if (length > 0) {
        text = (char*)malloc((size_t)length + 1);
        if (text) {
            size_t count = fread(text, 1, (size_t)length, fp);
            size_t out = 0;
            for (size_t i = 0; i < count; i++) {
                if (text[i] == '\r' && i + 1 < count && text[i + 1] == '\n') continue;
                text[out++] = text[i];
            }
            text[out] = 0;
            if (count == 0) {  // a read error
                free(text);
                text = NULL;
            }
        }
    }
    fclose(fp);
    return text;
}

// Ids outside the table name no slot: such a call prints a line and does nothing.
static int krv_validshader(int id, const char* call) {
    if (id >= 0 && id < KRV_MAXSHADERS) return 1;
    printf("%s: no shader %d\n", call, id);
    return 0;
}

// =============================================================================
// Building
// =============================================================================

// A build past the 64 slots is refused with a message and -1.
int KRV_InitShader(const char* vertexsource, const char* fragmentsource) {
    int id = KRV_numshaders;
    if (!KRV_shaders_enabled) {
        KRV_numshaders++;
        return id;
    }
    if (id < 0 || id >= KRV_MAXSHADERS) {
        printf("Shader table full (%d shaders), shader not built.\n", KRV_MAXSHADERS);
        return -1;
    }
    s_shader* slot = &KRV_shader[id];
    slot->vertexshader = glCreateShader(GL_VERTEX_SHADER);
    slot->fragmentshader = glCreateShader(GL_FRAGMENT_SHADER);

    if (!vertexsource || !fragmentsource) {
        printf("Either vertex shader or fragment shader file not found.");
        return -1;
    }

    glShaderSource(slot->vertexshader, 1, &vertexsource, NULL);
    glShaderSource(slot->fragmentshader, 1, &fragmentsource, NULL);

    glCompileShader(slot->vertexshader);
    validateShader(slot->vertexshader, "vertexshader");
    glCompileShader(slot->fragmentshader);
    validateShader(slot->fragmentshader, "fragmentshader");

    slot->program = glCreateProgram();
    glAttachShader(slot->program, slot->fragmentshader);
    glAttachShader(slot->program, slot->vertexshader);
    glLinkProgram(slot->program);
    validateProgram(slot->program);

    KRV_numshaders++;
    return id;
}

// The texts stay allocated: they belong to nobody after the build.
int KRV_LoadShader(const char* vertexpath, const char* fragmentpath) {
    char* vertexsource = textFileRead(vertexpath);
    char* fragmentsource = textFileRead(fragmentpath);
    return KRV_InitShader(vertexsource, fragmentsource);
}

int KRV_InitDefaultPostShader(void) {
    return KRV_InitShader(vv_defaultpostshader, ff_defaultpostshader);
}

void KRV_DeleteShader(int id) {
    if (!KRV_shaders_enabled) return;
    if (!krv_validshader(id, "KRV_DeleteShader")) return;
    s_shader* slot = &KRV_shader[id];
    glDetachShader(slot->program, slot->fragmentshader);
    glDetachShader(slot->program, slot->vertexshader);
    glDeleteShader(slot->fragmentshader);
    glDeleteShader(slot->vertexshader);
    glDeleteProgram(slot->program);
}

// =============================================================================
// Binding and uniforms
// =============================================================================

void KRV_BindShader(int id) {
    if (!KRV_shaders_enabled) return;
    if (!krv_validshader(id, "KRV_BindShader")) return;
    glUseProgram(KRV_shader[id].program);
}

void KRV_UnbindShader(void) {
    if (!KRV_shaders_enabled) return;
    glUseProgram(0);
}

// Binds the id's program (it stays bound) and looks the name up anew. A name
// the program does not use gives location -1, which GL ignores.
static GLint krv_uniformlocation(int id, const char* name, const char* call) {
    if (!KRV_shaders_enabled) return -1;
    if (!krv_validshader(id, call)) return -1;
    KRV_BindShader(id);
    if (!name) return -1;
    return glGetUniformLocation(KRV_shader[id].program, name);
}

void KRV_SetShaderUniform1i(int id, const char* name, int value) {
    if (!KRV_shaders_enabled) return;
    GLint location = krv_uniformlocation(id, name, "KRV_SetShaderUniform1i");
    if (location != -1) glUniform1i(location, value);
}

void KRV_SetShaderUniform1f(int id, const char* name, float x) {
    if (!KRV_shaders_enabled) return;
    GLint location = krv_uniformlocation(id, name, "KRV_SetShaderUniform1f");
    if (location != -1) glUniform1f(location, x);
}

void KRV_SetShaderUniform2f(int id, const char* name, float x, float y) {
    if (!KRV_shaders_enabled) return;
    GLint location = krv_uniformlocation(id, name, "KRV_SetShaderUniform2f");
    if (location != -1) glUniform2f(location, x, y);
}

void KRV_SetShaderUniform3f(int id, const char* name, float x, float y, float z) {
    if (!KRV_shaders_enabled) return;
    GLint location = krv_uniformlocation(id, name, "KRV_SetShaderUniform3f");
    if (location != -1) glUniform3f(location, x, y, z);
}

void KRV_SetShaderUniform4f(int id, const char* name, float x, float y, float z, float w) {
    if (!KRV_shaders_enabled) return;
    GLint location = krv_uniformlocation(id, name, "KRV_SetShaderUniform4f");
    if (location != -1) glUniform4f(location, x, y, z, w);
}

void KRV_SetShaderUniform1fv(int id, const char* name, int count, float* values) {
    if (!KRV_shaders_enabled) return;
    GLint location = krv_uniformlocation(id, name, "KRV_SetShaderUniform1fv");
    if (location != -1 && values && count > 0) glUniform1fv(location, count, values);
}
