// Browsing the mounted data source as a tree: a browsing path, and a listing
// of the browsing directory's subdirectories and files into the file list.
// Directories follow from the "/" in the mount's names.
#include <sys/stat.h>

#include <cstring>

#include "core/corefile/corefile.h"
#include "core/coredebug.h"
#include "core/coremem.h"

s_fileentry* corefile_filelist = nullptr;
int corefile_numfiles = 0;
char* corefile_localpath = nullptr;
char* corefile_dirnames[256];
int corefile_numdirs = 0;

// Room in the file list. A listing can need one entry more than the mount
// has files ("[..]" plus every file, when all lie in one subdirectory), so
// the list is made one larger than the file count.
static int filelist_capacity = 0;

static const int kMaxPath = 255;

static char* copy_text(const char* text) {
    size_t n = strlen(text) + 1;
    char* copy = (char*)wrap_malloc(n);
    if (copy) memcpy(copy, text, n);
    return copy;
}

static void release(void* block) {
    if (block) wrap_free(block);
}

static void clear_filelist(void) {
    for (int i = 0; i < filelist_capacity; i++) {
        release(corefile_filelist[i].display);
        release(corefile_filelist[i].name);
        corefile_filelist[i] = s_fileentry{};
    }
    corefile_numfiles = 0;
}

void corefile_initbrowsing(unsigned int numfiles) {
    corefile_freebrowsing();
    int capacity = (int)numfiles + 1;
    corefile_filelist = (s_fileentry*)wrap_malloc((size_t)capacity * sizeof(s_fileentry));
    if (corefile_filelist) {
        memset(corefile_filelist, 0, (size_t)capacity * sizeof(s_fileentry));
        filelist_capacity = capacity;
    }
    corefile_localpath = (char*)wrap_malloc(256);
    if (corefile_localpath) {
        memset(corefile_localpath, 0, 256);
        corefile_localpath[0] = '/';
    }
}

void corefile_freebrowsing(void) {
    if (corefile_filelist) clear_filelist();
    release(corefile_filelist);
    corefile_filelist = nullptr;
    filelist_capacity = 0;
    release(corefile_localpath);
    corefile_localpath = nullptr;
    corefile_numfiles = 0;
}

const char* corefile_getpath(void) { return corefile_localpath; }

void corefile_chdir(const char* path) {
    if (!corefile_localpath) return;  // nothing is mounted
    if (strcmp(path, ".") == 0) return;

    // Work on a copy so that a path too long for the browsing path leaves it
    // as it was.
    char next[512];
    size_t len = strlen(corefile_localpath);
    if (strcmp(path, "..") == 0) {
        strcpy(next, corefile_localpath);
        if (len <= 1) {
            strcpy(next, "/");
        } else {
            int i = (int)len - 2;
            while (i >= 0 && next[i] != '/' && next[i] != '\\') i--;
            next[i >= 0 ? i : 0] = 0;
        }
    } else if (path[0] == '/' || path[0] == '\\') {
        if (strlen(path) > kMaxPath) {
            _dbg_printf("path too long: %s\n", path);
            return;
        }
        strcpy(next, path);
    } else {
        if (len + strlen(path) > kMaxPath) {
            _dbg_printf("path too long: %s%s\n", corefile_localpath, path);
            return;
        }
        strcpy(next, corefile_localpath);
        strcat(next, path);
    }
    size_t n = strlen(next);
    if (n == 0 || next[n - 1] != '/') {
        if (n + 1 > kMaxPath) {
            _dbg_printf("path too long: %s/\n", next);
            return;
        }
        strcat(next, "/");
    }
    strcpy(corefile_localpath, next);
    _dbg_printf("localpath = %s\n", corefile_localpath);
}

void corefile_adddir(const char* name) {
    for (int i = 0; i < corefile_numdirs; i++)
        if (strcmp(corefile_dirnames[i], name) == 0) return;
    if (corefile_numdirs >= 256) {
        _dbg_printf("too many directories, left out: %s\n", name);
        return;
    }
    char* copy = copy_text(name);
    if (copy) corefile_dirnames[corefile_numdirs++] = copy;
}

// True when the text holds a "/" before its last character.
static bool has_inner_slash(const char* text) {
    size_t n = strlen(text);
    for (size_t i = 0; i + 1 < n; i++)
        if (text[i] == '/') return true;
    return false;
}

static int entry_size(unsigned int i) {
    if (corefile_mounttype == COREFILE_MOUNT_TREE) {
        // A tree mount records no offsets: list the size on disk.
        const char* root = corefile_image.data ? (const char*)corefile_image.data : "";
        size_t len = strlen(root) + 1 + strlen(corefile_image.names[i]) + 1;
        char* path = (char*)wrap_malloc(len);
        if (!path) return 0;
        snprintf(path, len, "%s/%s", root, corefile_image.names[i]);
        struct stat st;
        int size = stat(path, &st) == 0 ? (int)st.st_size : 0;
        release(path);
        return size;
    }
    unsigned int next = (i + 1 < corefile_image.numfiles) ? corefile_image.offsets[i + 1]
                                                          : corefile_image.romsize;
    return (int)(next - corefile_image.offsets[i]);
}

static s_fileentry* append_entry(void) {
    if (corefile_numfiles >= filelist_capacity) {
        _dbg_printf("file list full\n");
        return nullptr;
    }
    return &corefile_filelist[corefile_numfiles++];
}

// A filter with no "." after its first character names no extension; such a
// filter lists every file, as ".*" does.
void corefile_readdir(const char* filter) {
    if (!corefile_localpath || !corefile_filelist) return;  // nothing is mounted

    const char* dot = strrchr(filter, '.');
    const char* ext = (dot && dot != filter) ? dot : "";
    int extlen = (int)strlen(ext);
    _dbg_printf("extension = %s, length: %d\n", ext, extlen);
    bool every_file = extlen == 0 || strcmp(ext, ".*") == 0;

    clear_filelist();

    int L = (int)strlen(corefile_localpath);
    bool root = L == 0 || strcmp(corefile_localpath, "/") == 0;
    if (root) _dbg_printf("dir is root\n");
    const char* prefix = root ? "" : corefile_localpath + 1;
    size_t plen = strlen(prefix);

    for (int i = 0; i < corefile_numdirs; i++) release(corefile_dirnames[i]);
    corefile_numdirs = 0;
    if (!root) corefile_adddir("..");

    // Subdirectories, in the order of their first appearance.
    for (unsigned int i = 0; i < corefile_image.numfiles; i++) {
        const char* name = corefile_image.names[i];
        if (!name || strncmp(name, prefix, plen) != 0) continue;
        const char* rest = name + plen;
        if (!has_inner_slash(rest)) continue;
        size_t dirlen = strcspn(rest, "/\\");
        char* dirname = (char*)wrap_malloc(dirlen + 1);
        if (!dirname) continue;
        memcpy(dirname, rest, dirlen);
        dirname[dirlen] = 0;
        corefile_adddir(dirname);
        release(dirname);
    }
    for (int i = 0; i < corefile_numdirs; i++) {
        s_fileentry* e = append_entry();
        if (e) {
            size_t n = strlen(corefile_dirnames[i]) + 3;
            e->display = (char*)wrap_malloc(n);
            if (e->display) snprintf(e->display, n, "[%s]", corefile_dirnames[i]);
            e->name = copy_text(corefile_dirnames[i]);
            e->isdir = 1;
            e->size = 0;
        }
        release(corefile_dirnames[i]);
        corefile_dirnames[i] = nullptr;
    }
    corefile_numdirs = 0;

    // Files of the browsing directory, in directory order.
    for (unsigned int i = 0; i < corefile_image.numfiles; i++) {
        const char* name = corefile_image.names[i];
        if (!name || strncmp(name, prefix, plen) != 0) continue;
        const char* rest = name + plen;
        if (!every_file) {
            int restlen = (int)strlen(rest);
            if (restlen < extlen || strcmp(rest + restlen - extlen, ext) != 0) continue;
        }
        if (has_inner_slash(rest)) continue;
        s_fileentry* e = append_entry();
        if (!e) break;
        e->display = copy_text(rest);
        e->name = copy_text(name);
        e->size = entry_size(i);
        e->isdir = 0;
    }
    _dbg_printf("- ReadDIR completed!\n");
}
