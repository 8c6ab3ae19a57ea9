// The file layer over buffered runtime files: mounting, the image directory,
// handles and reads. All memory comes from the counted allocator and all
// output goes through _dbg_printf.
#include "core/corefile/corefile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>

#include "core/coredebug.h"
#include "core/coremem.h"

int corefile_mounttype = COREFILE_MOUNT_STREAM;
FILE* g_fp = nullptr;
s_coreimage corefile_image = {};
char corefile_pathname[1024] = "";

char curDir[256];
int diroffset = 0;
char curFile[256];

// Length of the file that holds the mounted image; every directory field is
// checked against it so that no entry can point outside the file.
static unsigned long image_file_end = 0;

static void* counted(size_t size) { return wrap_malloc(size); }

static void release(void* block) {
    if (block) wrap_free(block);
}

static char* copy_text(const char* text) {
    size_t n = strlen(text) + 1;
    char* copy = (char*)counted(n);
    if (copy) memcpy(copy, text, n);
    return copy;
}

// ---------------------------------------------------------------------------
// Names

int corefile_gethash(const char* name) {
    unsigned int sum = 0;
    for (const unsigned char* p = (const unsigned char*)name; *p; p++)
        sum += (unsigned int)(int)(signed char)*p;
    return (int)sum;
}

void file_downcase(char* dst, const char* src, int n) {
    for (int i = 0; i < n; i++) {
        char c = src[i];
        dst[i] = (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
    }
}

unsigned int getint(const void* p) {
    const unsigned char* b = (const unsigned char*)p;
    return (unsigned int)b[0] | ((unsigned int)b[1] << 8) | ((unsigned int)b[2] << 16) |
           ((unsigned int)b[3] << 24);
}

static char* downcased_copy(const char* name) {
    int n = (int)strlen(name);
    char* copy = (char*)counted((size_t)n + 1);
    if (!copy) return nullptr;
    file_downcase(copy, name, n);
    copy[n] = 0;
    return copy;
}

// ---------------------------------------------------------------------------
// The image directory

static void release_directory(void) {
    if (corefile_image.names) {
        for (unsigned int i = 0; i < corefile_image.numfiles; i++) release(corefile_image.names[i]);
    }
    release(corefile_image.offsets);
    release(corefile_image.names);
    release(corefile_image.hashes);
    corefile_image.offsets = nullptr;
    corefile_image.names = nullptr;
    corefile_image.hashes = nullptr;
    corefile_image.numfiles = 0;
    corefile_image.romsize = 0;
}

static bool allocate_directory(unsigned int numfiles) {
    size_t n = numfiles ? numfiles : 1;
    corefile_image.offsets = (unsigned int*)counted(n * sizeof(unsigned int));
    corefile_image.names = (char**)counted(n * sizeof(char*));
    corefile_image.hashes = (int*)counted(n * sizeof(int));
    if (!corefile_image.offsets || !corefile_image.names || !corefile_image.hashes) {
        release(corefile_image.offsets);
        release(corefile_image.names);
        release(corefile_image.hashes);
        corefile_image.offsets = nullptr;
        corefile_image.names = nullptr;
        corefile_image.hashes = nullptr;
        return false;
    }
    memset(corefile_image.offsets, 0, n * sizeof(unsigned int));
    memset(corefile_image.names, 0, n * sizeof(char*));
    memset(corefile_image.hashes, 0, n * sizeof(int));
    return true;
}

static bool read_u32(FILE* fp, unsigned int* value) {
    unsigned char b[4];
    if (fread(b, 1, 4, fp) != 4) return false;
    *value = getint(b);
    return true;
}

// Refuses a damaged directory: releases what was read and leaves the mount
// with no entries, as an image without the magic would.
static int refuse_image(const char* format, ...) __attribute__((format(printf, 1, 2)));
static int refuse_image(const char* format, ...) {
    char why[160];
    va_list args;
    va_start(args, format);
    vsnprintf(why, sizeof why, format, args);
    va_end(args);
    _dbg_printf("corrupt image: %s\n", why);
    release_directory();
    return 0;
}

// Reads the directory from the stream's current position. A truncated or
// hostile directory (one that does not fit in the file, names running past
// its end, data outside the file) is refused with a "corrupt image" line:
// the mount then has no entries, so nothing can be read outside the file.
static int read_directory(FILE* fp) {
    char magic[4];
    if (fread(magic, 1, 4, fp) != 4 || memcmp(magic, "CORE", 4) != 0) return 0;

    unsigned int numfiles = 0, romsize = 0;
    if (!read_u32(fp, &numfiles) || !read_u32(fp, &romsize))
        return refuse_image("the header is truncated");
    _dbg_printf("numfiles: %d\n", (int)numfiles);
    _dbg_printf("romsize: %d\n", (int)romsize);

    long here = ftell(fp);
    unsigned long left = (here >= 0 && (unsigned long)here <= image_file_end)
                             ? image_file_end - (unsigned long)here
                             : 0;
    // Each entry takes at least 12 bytes (length, hash, offset).
    if (numfiles > left / 12)
        return refuse_image("a directory of %u entries does not fit in the file", numfiles);

    release_directory();
    if (!allocate_directory(numfiles)) return refuse_image("no memory for %u entries", numfiles);
    corefile_image.numfiles = numfiles;

    for (unsigned int i = 0; i < numfiles; i++) {
        unsigned int namelen = 0, offset = 0, hash = 0;
        if (!read_u32(fp, &namelen) || !read_u32(fp, &hash))
            return refuse_image("entry %u is truncated", i);
        here = ftell(fp);
        left = (here >= 0 && (unsigned long)here <= image_file_end)
                   ? image_file_end - (unsigned long)here
                   : 0;
        if (left < 4 || namelen > left - 4) return refuse_image("the name of entry %u runs past the end of the file", i);
        corefile_image.hashes[i] = (int)hash;
        char* name = (char*)counted((size_t)namelen + 1);
        if (!name) return refuse_image("no memory for the name of entry %u", i);
        corefile_image.names[i] = name;
        if (fread(name, 1, namelen, fp) != namelen || !read_u32(fp, &offset))
            return refuse_image("entry %u is truncated", i);
        name[namelen] = 0;
        corefile_image.offsets[i] = offset;
    }

    // Sizes are differences of neighbouring offsets: they must not go down,
    // and the data must end inside the file.
    if (romsize > image_file_end) return refuse_image("its data ends beyond the end of the file (%u)", romsize);
    for (unsigned int i = 0; i < numfiles; i++) {
        unsigned int next = (i + 1 < numfiles) ? corefile_image.offsets[i + 1] : romsize;
        if (corefile_image.offsets[i] > next) return refuse_image("the data of entry %u lies outside the image", i);
    }
    corefile_image.romsize = romsize;

    corefile_initbrowsing(numfiles);
    return 1;
}

// ---------------------------------------------------------------------------
// Directory-tree scan

static bool scan_storing = false;
static unsigned int scan_capacity = 0;

// Number of path levels: 1, plus one per "/" between the first and the last
// character.
static int path_levels(const char* path) {
    int len = (int)strlen(path);
    int levels = 1;
    for (int i = 1; i <= len - 2; i++)
        if (path[i] == '/') levels++;
    return levels;
}

static void record_file(const char* name) {
    size_t namelen = strlen(name);
    if ((size_t)diroffset + namelen > 255) {
        _dbg_printf("path too long, left out: %.*s%s\n", diroffset, curDir, name);
        return;
    }
    memcpy(curFile, curDir, (size_t)diroffset);
    memcpy(curFile + diroffset, name, namelen + 1);
    if (scan_storing) {
        // The arrays were sized by the counting pass; a file that appeared
        // since then is left out rather than written past them.
        if (corefile_image.numfiles >= scan_capacity) {
            _dbg_printf("tree changed while mounting, left out: %s\n", curFile);
            return;
        }
        char* slot = (char*)counted(256);
        if (!slot) return;
        snprintf(slot, 256, "%s", curFile);
        corefile_image.names[corefile_image.numfiles] = slot;
    }
    corefile_image.numfiles++;
}

static void scan_path(const char* path) {
    DIR* dir = opendir(path);
    if (!dir) {
        _dbg_printf("error reading directory\n");
        return;
    }
    int levels = path_levels(path);
    if (levels > 1) _dbg_printf("path has %d sublevels\n", levels);
    if (chdir(path) != 0) {
        _dbg_printf("error reading directory\n");
        closedir(dir);
        return;
    }

    struct dirent* entry;
    while ((entry = readdir(dir)) != nullptr) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        struct stat st;
        if (stat(name, &st) != 0) continue;
        if ((st.st_mode & 0xF000) == 0x4000) {
            size_t namelen = strlen(name);
            if ((size_t)diroffset + namelen + 1 > 255) {
                _dbg_printf("path too long, left out: %.*s%s/\n", diroffset, curDir, name);
                continue;
            }
            memcpy(curDir + diroffset, name, namelen);
            curDir[diroffset + namelen] = '/';
            curDir[diroffset + namelen + 1] = 0;
            diroffset += (int)namelen + 1;
            scan_path(name);
            diroffset -= (int)namelen + 1;
            curDir[diroffset] = 0;
        } else {
            record_file(name);
        }
    }

    if (closedir(dir) == -1) {
        puts("Error closing directory");
        return;
    }
    for (int i = 0; i < levels; i++) (void)!chdir("..");
}

// Scans the tree twice, counting then storing. The working directory the
// mount started in is restored after each pass, so absolute paths and paths
// with "." or ".." mount without moving the process elsewhere.
static int scan_tree(const char* path) {
    char saved[4096];
    bool have_saved = getcwd(saved, sizeof saved) != nullptr;

    memset(curDir, 0, sizeof curDir);
    memset(curFile, 0, sizeof curFile);
    diroffset = 0;
    corefile_image.numfiles = 0;
    scan_storing = false;
    scan_path(path);
    if (have_saved) (void)!chdir(saved);
    unsigned int counted_files = corefile_image.numfiles;
    _dbg_printf("Found %d files\n", (int)counted_files);

    corefile_image.numfiles = 0;
    if (!allocate_directory(counted_files)) {
        _dbg_printf("could not mount %s: out of memory\n", path);
        return 0;
    }
    memset(curDir, 0, sizeof curDir);
    memset(curFile, 0, sizeof curFile);
    diroffset = 0;
    scan_storing = true;
    scan_capacity = counted_files;
    scan_path(path);
    scan_storing = false;
    if (have_saved) (void)!chdir(saved);

    corefile_initbrowsing(corefile_image.numfiles);
    return 1;
}

// ---------------------------------------------------------------------------
// Mounting

static unsigned long stream_length(FILE* fp) {
    if (fseek(fp, 0, SEEK_END) != 0) return 0;
    long end = ftell(fp);
    fseek(fp, 0, SEEK_SET);
    return end > 0 ? (unsigned long)end : 0;
}

int corefile_mountimage(const char* name, int type) {
    char fullpath[1024];
    size_t prefix = strlen(corefile_pathname);
    if (prefix + strlen(name) > 1023) {
        _dbg_printf("image path too long: %s\n", name);
        return 0;
    }
    memcpy(fullpath, corefile_pathname, prefix);
    strcpy(fullpath + prefix, name);
    _dbg_printf("Loading resource image: %s\n", fullpath);

    if (type == 0 || type == 1) {
        FILE* fp = fopen(fullpath, "rb");
        if (!fp) {
            _dbg_printf("could not open image: %s\n", fullpath);
            return 0;
        }
        g_fp = fp;
        corefile_image.data = fp;
        corefile_mounttype = COREFILE_MOUNT_STREAM;
        image_file_end = stream_length(fp);
        if (type == 0) {
            _dbg_printf("loading from file\n");
        } else {
            // The host's last 4 bytes give the position of the image's magic.
            unsigned int start = 0;
            bool found = image_file_end >= 4 && fseek(fp, (long)(image_file_end - 4), SEEK_SET) == 0 &&
                         read_u32(fp, &start) && start <= image_file_end - 4;
            _dbg_printf("loading from executable\n");
            if (!found) {
                _dbg_printf("no appended image in %s\n", fullpath);
                return 0;
            }
            fseek(fp, (long)start, SEEK_SET);
        }
        return read_directory(fp) == 1 ? 1 : 0;
    }
    if (type == 2) {
        corefile_mounttype = COREFILE_MOUNT_TREE;
        corefile_image.data = copy_text(fullpath);
        if (!corefile_image.data) return 0;
        return scan_tree(fullpath) == 1 ? 1 : 0;
    }
    return 0;
}

void corefile_closeimage(void) {
    if (corefile_mounttype == COREFILE_MOUNT_STREAM) {
        if (g_fp) fclose(g_fp);
        g_fp = nullptr;
        corefile_image.data = nullptr;
    } else {
        release(corefile_image.data);
        corefile_image.data = nullptr;
    }
    release_directory();
    corefile_freebrowsing();
    image_file_end = 0;
}

// ---------------------------------------------------------------------------
// Handles

static FILE* stream_of(s_corefile* handle) {
    return corefile_mounttype == COREFILE_MOUNT_TREE ? handle->fp : g_fp;
}

int corefile_open(const char* name, s_corefile* handle, int mode) {
    char* lower = downcased_copy(name);
    if (!lower) return 0;

    if (corefile_mounttype == COREFILE_MOUNT_TREE) {
        const char* root = (const char*)corefile_image.data;
        if (!root) root = "";
        size_t len = strlen(root) + 1 + strlen(lower) + 1;
        char* path = (char*)counted(len);
        if (!path) {
            release(lower);
            return 0;
        }
        snprintf(path, len, "%s/%s", root, lower);
        FILE* fp = fopen(path, mode == 1 ? "wb" : "rb");
        release(path);
        release(lower);
        if (!fp) return 0;
        handle->fp = fp;
        handle->position = 0;
        fseek(fp, 0, SEEK_END);
        long end = ftell(fp);
        fseek(fp, 0, SEEK_SET);
        handle->size = end > 0 ? (unsigned int)end : 0;
        return 1;
    }

    int hash = corefile_gethash(lower);
    handle->hash = hash;
    size_t n = strlen(lower);
    for (unsigned int i = 0; i < corefile_image.numfiles; i++) {
        if (corefile_image.hashes[i] != hash) continue;
        if (strncmp(corefile_image.names[i], lower, n) != 0) continue;
        unsigned int offset = corefile_image.offsets[i];
        unsigned int next = (i + 1 < corefile_image.numfiles) ? corefile_image.offsets[i + 1]
                                                              : corefile_image.romsize;
        handle->index = i;
        handle->position = offset;
        handle->size = next - offset;
        _dbg_printf("found file at offset: %d\n", (int)offset);
        handle->fp = nullptr;
        release(lower);
        return 1;
    }
    _dbg_printf("couldn't find file: %s\n", lower);
    release(lower);
    return 0;
}

void corefile_read(void* buffer, int size, int count, s_corefile* handle) {
    FILE* fp = stream_of(handle);
    if (corefile_mounttype == COREFILE_MOUNT_TREE && count <= 0) return;
    if (fp && size > 0 && count > 0) {
        fseek(fp, (long)handle->position, SEEK_SET);
        size_t got = fread(buffer, (size_t)size, (size_t)count, fp);
        (void)got;
    }
    handle->position += (unsigned int)size * (unsigned int)count;
}

void corefile_write(const void* data, int size, int count, s_corefile* handle) {
    if (corefile_mounttype != COREFILE_MOUNT_TREE || !handle->fp) return;
    fseek(handle->fp, (long)handle->position, SEEK_SET);
    if (size > 0 && count > 0) fwrite(data, (size_t)size, (size_t)count, handle->fp);
    handle->position += (unsigned int)size * (unsigned int)count;
}

void corefile_gets(char* buffer, int n, s_corefile* handle) {
    FILE* fp = stream_of(handle);
    if (!fp || n <= 0) return;
    fseek(fp, (long)handle->position, SEEK_SET);
    if (!fgets(buffer, n, fp)) {
        // Nothing is stored at the end of the stream; the position stays.
    }
    long pos = ftell(fp);
    if (pos >= 0) handle->position = (unsigned int)pos;
}

// The start of the handle's entry in an image mount (0 when the index is not
// an entry, as after a close).
static unsigned int entry_offset(const s_corefile* handle) {
    if (handle->index >= corefile_image.numfiles || !corefile_image.offsets) return 0;
    return corefile_image.offsets[handle->index];
}

int corefile_feof(s_corefile* handle) {
    if (corefile_mounttype == COREFILE_MOUNT_TREE) return handle->fp ? feof(handle->fp) : 1;
    return (handle->position - entry_offset(handle)) >= handle->size ? 1 : 0;
}

void corefile_seek(s_corefile* handle, int offset, int whence) {
    if (whence == 0) {
        handle->position = (unsigned int)offset;
        if (corefile_mounttype != COREFILE_MOUNT_TREE) handle->position += entry_offset(handle);
    } else if (whence == 1) {
        handle->position += (unsigned int)offset;
    }
}

unsigned int corefile_tell(s_corefile* handle) { return handle->position; }

unsigned int corefile_fsize(s_corefile* handle) { return handle->size; }

void corefile_rewind(s_corefile* handle) {
    if (corefile_mounttype == COREFILE_MOUNT_TREE) {
        handle->position = 0;
        if (handle->fp) rewind(handle->fp);
    } else {
        handle->position = entry_offset(handle);
    }
}

void corefile_close(s_corefile* handle) {
    if (corefile_mounttype == COREFILE_MOUNT_TREE) {
        // The stream is forgotten once closed, so a second close or a read
        // after the close cannot touch a released stream.
        if (handle->fp) fclose(handle->fp);
        handle->fp = nullptr;
    } else {
        handle->fp = nullptr;
        handle->index = 0;
        handle->position = 0;
    }
}

// ---------------------------------------------------------------------------
// Whole files

// The browsing path followed by the name, at most 255 characters. An image's
// names carry no leading "/", so in an image mount the path is looked up
// without it: "/" + "music.wav" finds "music.wav", "/sub/" + "c.png" finds
// "sub/c.png".
static bool browse_name(const char* name, char* out) {
    const char* dir = corefile_localpath ? corefile_localpath : "";
    if (strlen(dir) + strlen(name) > 255) {
        _dbg_printf("name too long: %s%s\n", dir, name);
        return false;
    }
    strcpy(out, dir);
    strcat(out, name);
    if (corefile_mounttype != COREFILE_MOUNT_TREE) {
        size_t skip = 0;
        while (out[skip] == '/') skip++;
        memmove(out, out + skip, strlen(out + skip) + 1);
    }
    return true;
}

// A name that is not found gives a null buffer.
void* corefile_loadbuffer(const char* name) {
    char path[256];
    if (!browse_name(name, path)) return nullptr;
    s_corefile handle = {};
    if (!corefile_open(path, &handle, 0)) return nullptr;
    void* buffer = counted(handle.size ? handle.size : 1);
    if (buffer) corefile_read(buffer, (int)handle.size, 1, &handle);
    corefile_close(&handle);
    return buffer;
}

void corefile_savebuffer(const char* name, const void* data, int length) {
    char path[256];
    if (!browse_name(name, path)) return;
    s_corefile handle = {};
    if (!corefile_open(path, &handle, 1)) return;
    if (corefile_mounttype == COREFILE_MOUNT_TREE) {
        corefile_write(data, length, 1, &handle);
        corefile_close(&handle);
    }
}
