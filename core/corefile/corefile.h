// The file layer: one mounted data source (a CORE image, an image appended to
// another file, or a directory tree), files opened by name into caller-owned
// handles, whole-file and line reads, and browsing of the mount as a tree.
#pragma once

#include <cstdio>

// Mount kinds kept in corefile_mounttype.
enum {
    COREFILE_MOUNT_STREAM = 0,  // an image file, or an image appended to another file
    COREFILE_MOUNT_TREE = 2,    // a directory tree on disk
};

// The mounted image's directory.
struct s_coreimage {
    void* data;              // the image stream, or an allocated copy of the tree's path
    unsigned int romsize;    // position at which the last entry's data ends
    unsigned int numfiles;   // directory entries
    unsigned int* offsets;   // start of each entry's data (absolute)
    char** names;            // lower-case names, "/" between directory components
    int* hashes;             // name hash of each stored name
};

// A file handle, owned by the caller.
struct s_corefile {
    FILE* fp;                // the file's own stream in a tree mount; null in an image mount
    unsigned int index;      // entry number in the image directory
    unsigned int position;   // next read position (absolute in an image mount)
    unsigned int size;       // the file's length; callers size their buffers from it
    int hash;                // hash of the lower-cased name
};

// An entry of the browsing list.
struct s_fileentry {
    char* display;           // "[name]" for a directory, the name within the directory for a file
    char* name;              // the directory's name, or the file's full name in the mount
    int size;                // 0 for a directory
    unsigned char isdir;
};

extern int corefile_mounttype;
extern FILE* g_fp;
extern s_coreimage corefile_image;
extern char corefile_pathname[1024];

extern char curDir[256];
extern int diroffset;
extern char curFile[256];

extern s_fileentry* corefile_filelist;
extern int corefile_numfiles;
extern char* corefile_localpath;
extern char* corefile_dirnames[256];
extern int corefile_numdirs;

int corefile_mountimage(const char* name, int type);
void corefile_closeimage(void);

int corefile_open(const char* name, s_corefile* handle, int mode);
void corefile_read(void* buffer, int size, int count, s_corefile* handle);
void corefile_write(const void* data, int size, int count, s_corefile* handle);
void corefile_gets(char* buffer, int n, s_corefile* handle);
int corefile_feof(s_corefile* handle);
void corefile_seek(s_corefile* handle, int offset, int whence);
unsigned int corefile_tell(s_corefile* handle);
unsigned int corefile_fsize(s_corefile* handle);
void corefile_rewind(s_corefile* handle);
void corefile_close(s_corefile* handle);

void* corefile_loadbuffer(const char* name);
void corefile_savebuffer(const char* name, const void* data, int length);

int corefile_gethash(const char* name);
void file_downcase(char* dst, const char* src, int n);
unsigned int getint(const void* p);

// Browsing.
void corefile_chdir(const char* path);
const char* corefile_getpath(void);
void corefile_adddir(const char* name);
void corefile_readdir(const char* filter);

// Used by the mount and the close: create and release the browsing state.
void corefile_initbrowsing(unsigned int numfiles);
void corefile_freebrowsing(void);
