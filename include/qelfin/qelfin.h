/*
 * qelfin.h - the boundary between the qelfin financial-functions module and
 * its host.
 *
 * Everything the host and the module exchange is declared here, in plain C:
 * the argument block of a function call, the records the host reads after
 * loading the module, the host services the module calls, and every routine
 * the module exports.  The byte offsets noted in the comments are those of
 * the 32-bit x86 image (4-byte pointers, doubles 4-byte aligned inside
 * records); the x86-64 build compiles the same declarations with natural
 * alignment, every pointer field widening to 8 bytes.  The layouts of both
 * builds are pinned by the static assertions at the end of this file.
 *
 * Ownership notes: "host" means the host allocates, owns and writes the
 * field; "module" means the module writes it.
 */
#ifndef QELFIN_QELFIN_H
#define QELFIN_QELFIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(QELFIN_BUILDING_MODULE)
#define QELFIN_API __attribute__((visibility("default")))
#else
#define QELFIN_API
#endif

/* ------------------------------------------------------------------------
 * Argument block and result conventions
 * ------------------------------------------------------------------------ */

/* Reads the i-th value (0-based) of a variable-length argument list; the
 * context is the FunctionArgs of the current call.  Written by the module,
 * called by the module's series solvers. */
typedef double (*ValueCallback)(int32_t index, void* context);

/* Flag bits of ArgDescriptor.flags.  All other bits are the host's: the
 * module tests and sets single bits and never compares or overwrites the
 * word. */
#define ARG_NUMERIC 0x1u   /* host: value points to a double, else a CharValue */
#define ARG_INVALID 0x100u /* module: this argument is the invalid one */

/* One argument of a call, 8 bytes on i386. */
typedef struct ArgDescriptor {
    uint32_t flags; /* host sets ARG_NUMERIC; module ORs in ARG_INVALID */
    void* value;    /* host: the double or CharValue; never written through */
} ArgDescriptor;

/* The host's argument block; argument i (1-based) is args[i-1].  Header of
 * 20 bytes on i386; descriptor i starts at byte 12 + 8i. */
typedef struct FunctionArgs {
    void* host_word0;    /* +0  host's, never read */
    void* host_word1;    /* +4  host's, never read */
    int32_t* call_state; /* +8  host keeps it per call site; IRR/INTRR may set it once */
    uint8_t caller_kind; /* +12 host: kind of caller (0x48/0x58/0x68/0x88 limit notes) */
    uint8_t host_bytes[3]; /* +13 host's, never read */
    int32_t arg_count;     /* +16 host: number n of arguments */
    ArgDescriptor args[];  /* +20 host: descriptors of arguments 1..n */
} FunctionArgs;

/* A character argument: length in bytes 2-3, text (no NUL) behind bytes. */
typedef struct CharValue {
    uint8_t host[2];     /* host's, never read */
    uint16_t length;     /* host: number of bytes of text */
    const uint8_t* bytes; /* host: the text, not NUL-terminated */
} CharValue;

/* A function entry: reads the block, writes *result on every path and
 * returns a status code. */
typedef uint32_t (*FunctionEntry)(FunctionArgs* args, double* result);

/* Status codes returned by every entry. */
#define STATUS_RESULT_MISSING 0x1D801u    /* no result; no argument blamed */
#define STATUS_INVALID_ARGS 0x1D804u      /* invalid arguments; at most one marked */
#define STATUS_NO_MEMORY 0x8001D811u      /* a host pool allocation failed */

/* Bit pattern of MISSING, the module's missing value (a quiet NaN with the
 * sign bit set; bytes 00 00 00 00 00 FE FF FF). */
#define QELFIN_MISSING_BITS 0xFFFFFE0000000000ull

/* ------------------------------------------------------------------------
 * Host services
 * ------------------------------------------------------------------------ */

/* A host memory pool: the module calls allocate(pool, size, 8198) and never
 * frees what it gets.  Owned by the host. */
typedef struct HostPool HostPool;
struct HostPool {
    void* (*allocate)(HostPool* pool, size_t size, uint32_t flags); /* host; null: no memory */
};

/* Words of the host's global control block (an array of pointer-sized
 * words) that the module uses.  The block is the host's. */
#define GCB_SERVICE_VECTORS 0 /* host: table of service vectors; [30][70] is the log */
#define GCB_TSSVEC 1          /* host: block whose byte 30 the log stub clears */
#define GCB_COUNTER_POOL 5    /* host: HostPool for the IRR per-call-site counter */
#define GCB_VECTOR_POOL 10    /* host: HostPool for the function vector */
#define GCB_TOOLKIT 82        /* host: toolkit handle, copied into Exported_RZHandle */

/* The host's message-log routine at ((void***)gcb[0])[30][70]. */
typedef void (*MessageLogRoutine)(int32_t set, int32_t id, ...);

/* The toolkit object and a ToolkitPool are arrays of pointer-sized words;
 * the module uses these slots.  Both are the host's. */
#define TOOLKIT_CREATE_POOL 6 /* void* create(void* toolkit, const uint32_t parm[3], int32_t zero, const char* name) */
#define TOOLKIT_POOL_DESTROY 2 /* void destroy(void* pool) */
#define TOOLKIT_POOL_ALLOCATE 3 /* void* allocate(void* pool, size_t size, uint32_t flags) */
typedef void* (*ToolkitCreatePool)(void* toolkit, const uint32_t parm[3], int32_t zero, const char* name);
typedef void (*ToolkitDestroyPool)(void* pool);
typedef void* (*ToolkitAllocate)(void* pool, size_t size, uint32_t flags);

/* Message set and ids of the notes IRR and INTRR write. */
#define QELFIN_MESSAGE_SET 744
#define QELFIN_NOTE_SEVERAL_SIGN_CHANGES 201 /* arguments: double rate, const char* name */
#define QELFIN_NOTE_NO_MORE_NOTES 202        /* argument: const char* name */

/* ------------------------------------------------------------------------
 * Module image and registration
 * ------------------------------------------------------------------------ */

/* The image information record vi_mcn, 96 bytes on i386.  Module's, constant. */
typedef struct ImageInformation {
    char tag[24];       /* +0  "QEL_Image_Information=", NUL-padded */
    uint32_t magic;     /* +24 0xB0BDEBED */
    uint32_t word28;    /* +28 8 */
    char release[6];    /* +32 "9.03" */
    char build[20];     /* +38 "9.03.01M2P081512" */
    char date[26];      /* +58 "Nov 15 2012" */
    const void* pcns;   /* +84 mcn_pcns, the null-terminated list of registration records */
    const char* notice; /* +88 the module's notice, 88 characters */
    char code[4];       /* +92 "001" */
} ImageInformation;

/* The registration record pcn_QELWUFIN, 44 bytes on i386.  Module's, constant. */
typedef struct RegistrationRecord {
    uint32_t w0, w4, w8;   /* +0 0xFFFF0000, +4 0x400, +8 0x400 */
    char name[12];         /* +12 "qelwufin", NUL-padded */
    void* (*entry)(void);  /* +24 the registration entry qelwufin */
    uint32_t w28, w32, w36, w40; /* 1, 0x25D3, 0x0241ED61, 15 */
} RegistrationRecord;

/* The block qelwufin returns: 18 pointer-sized words (72 bytes on i386),
 * allocated from the host pool in gcb word 10 and owned by the host. */
#define QELFIN_FUNCTION_COUNT 17
typedef struct FunctionVector {
    void* header; /* host's: left as the pool's allocator returned it */
    FunctionEntry entries[QELFIN_FUNCTION_COUNT]; /* module: the entries, alphabetical by name */
} FunctionVector;

/* The version record rzvercn1 copies out, 104 bytes on i386.  Every string
 * is the module's constant data. */
typedef struct VersionRecord {
    const char* version;     /* +0  "9.03.01M2P08152012" */
    const char* lineage;     /* +4  build-tree names, newest first, ':'-separated */
    const char* empty8;      /* +8  "" */
    uint32_t build_time;     /* +12 seconds since 1970-01-01 UTC */
    const char* component;   /* +16 "tesk" */
    const char* module;      /* +20 "qelwufin" */
    const char* directory;   /* +24 "fnc" */
    const char* root;        /* +28 absolute build-tree root */
    const char* empty32;     /* +32 "" */
    const char* keyword;     /* +36 "version" */
    const char* separator;   /* +40 "::" */
    const char* empty44;     /* +44 "" */
    const char* hotfix;      /* +48 66-byte patch area "QEL_VERSION_HOTFIX_NUMBER=" + blanks */
    const char* description; /* +52 module description and the seventeen names */
    const char* image_description; /* +56 66-byte patch area "VERCON_IMAGE_DESCRIPTION=" + blanks */
    const char* platform;    /* +60 "lnxno" */
    uint32_t zero[10];       /* +64 all zero */
} VersionRecord;

/* Parameter record of the exported IRR solver zirr_s. */
typedef struct ZirrParams {
    double freq;            /* in: periods per base period; 0 is continuous */
    int32_t sign_changes;   /* out: sign changes of the stripped series */
    int32_t count;          /* in: number of cash flows, 2..32767 */
    ValueCallback callback; /* in: reads cash flow i */
    void* context;          /* in: handed to every callback call */
    int32_t multiple;       /* out: 1 when several sign changes were seen */
    double rate;            /* out: the rate, written on success only */
} ZirrParams;

/* ------------------------------------------------------------------------
 * Exported objects and routines
 * ------------------------------------------------------------------------ */

/* Anchors, written by mcn_main only. */
QELFIN_API extern void* v_global_gcb_anchor;  /* the host's global control block */
QELFIN_API extern void* v_global_pidb_anchor; /* the host's second anchor, kept for it */
QELFIN_API extern void* Exported_RZHandle;    /* the host's toolkit: gcb word 82 */

QELFIN_API extern const ImageInformation vi_mcn;
QELFIN_API extern const RegistrationRecord* const mcn_pcns[2];
QELFIN_API extern const RegistrationRecord pcn_QELWUFIN;

/* Load entry: keeps the anchors and returns &vi_mcn. */
QELFIN_API const ImageInformation* mcn_main(void* gcb, void* pidb);
/* Registration entry: a new FunctionVector from gcb word 10, or null. */
QELFIN_API void* qelwufin(void);
/* Copies the version record into dest (at least sizeof(VersionRecord) bytes). */
QELFIN_API int32_t rzvercn1(VersionRecord* dest);
/* Message-log stub: clears byte 30 of gcb word 1's block and hands its
 * arguments on unchanged to the host's log routine. */
QELFIN_API void xpmlog(int32_t set, int32_t id, ...);
QELFIN_API void _xpmlog_30_70(int32_t set, int32_t id, ...);

/* The seventeen function entries, in the order of the function vector. */
QELFIN_API uint32_t fnccomp(FunctionArgs* args, double* result); /* COMPOUND */
QELFIN_API uint32_t fncdcb(FunctionArgs* args, double* result);  /* DACCDB */
QELFIN_API uint32_t fncdcbs(FunctionArgs* args, double* result); /* DACCDBSL */
QELFIN_API uint32_t fncdcsl(FunctionArgs* args, double* result); /* DACCSL */
QELFIN_API uint32_t fncdcsy(FunctionArgs* args, double* result); /* DACCSYD */
QELFIN_API uint32_t fncdctb(FunctionArgs* args, double* result); /* DACCTAB */
QELFIN_API uint32_t fncdpb(FunctionArgs* args, double* result);  /* DEPDB */
QELFIN_API uint32_t fncdpbs(FunctionArgs* args, double* result); /* DEPDBSL */
QELFIN_API uint32_t fncdpsl(FunctionArgs* args, double* result); /* DEPSL */
QELFIN_API uint32_t fncdpsy(FunctionArgs* args, double* result); /* DEPSYD */
QELFIN_API uint32_t fncdptb(FunctionArgs* args, double* result); /* DEPTAB */
QELFIN_API uint32_t fncinrr(FunctionArgs* args, double* result); /* INTRR */
QELFIN_API uint32_t fncirr(FunctionArgs* args, double* result);  /* IRR */
QELFIN_API uint32_t fncmort(FunctionArgs* args, double* result); /* MORT */
QELFIN_API uint32_t fncntpv(FunctionArgs* args, double* result); /* NETPV */
QELFIN_API uint32_t fncnpv(FunctionArgs* args, double* result);  /* NPV */
QELFIN_API uint32_t fncsav(FunctionArgs* args, double* result);  /* SAVING */

/* Numeric primitives.  zpower's error word: 0 ok, 1 result too large,
 * 2 negative base with a non-integer exponent, 3 zero base with an exponent
 * that is not positive (value MISSING on 1 to 3). */
QELFIN_API double zpower(double x, double y, int32_t* err);
QELFIN_API double zexpm1(double x);                 /* e^x - 1 */
QELFIN_API double zln1px(double x);                 /* ln(1 + x) */
QELFIN_API double zlnSumOfExp(double a, double b);  /* ln(e^a + e^b) */
QELFIN_API double zqlog(double x);                  /* cheap ln x, error away from zero */
QELFIN_API double zvasum(const double* x, int32_t n); /* sum of |x[i]| */
QELFIN_API double zvamx(const double* x, int32_t n);  /* largest |x[i]| */
QELFIN_API int vzatl(int c, const uint8_t* p, int32_t n); /* 1 if all n bytes equal c */

/* Time-value-of-money solvers: `which` (1..4) names the quantity computed;
 * the error word is 0 on success, a positive code otherwise. */
QELFIN_API double zcmpnd(double a, double f, double r, double n, int32_t which, int32_t* err);
QELFIN_API double zmort(double a, double p, double r, double n, int32_t which, int32_t* err);
QELFIN_API double zsaving(double f, double p, double r, double n, int32_t which, int32_t* err);

/* Missing-value scans: write a count (or 0/1) into *result, return 0. */
QELFIN_API uint32_t fncnmis(FunctionArgs* args, double* result);
QELFIN_API uint32_t fnccmis(FunctionArgs* args, double* result);
QELFIN_API uint32_t fncmis(FunctionArgs* args, double* result);

/* Present value of m cash flows read through callback(i, context). */
QELFIN_API double znpv(double rate, double freq, int32_t m, ValueCallback callback, void* context,
                       int32_t* err);

/* Internal rate of return: zirr_s returns its own codes (0 success); zirr
 * stores the code in *err and returns the rate or MISSING. */
QELFIN_API int32_t zirr_s(ZirrParams* params);
QELFIN_API double zirr(double freq, int32_t count, ValueCallback callback, void* context,
                       int32_t* err);

/* Argument-block routines: cash flows read straight from the block. */
QELFIN_API void intdat(int32_t n, double freq, double* rate, FunctionArgs* args);
QELFIN_API void intdvq(int32_t n, double x, double* value, double* deriv, FunctionArgs* args);
QELFIN_API void netpv2(int32_t n, double rate, double freq, double* result, FunctionArgs* args);
QELFIN_API void netpvd(int32_t n, double v, double* value, double* deriv, FunctionArgs* args);

/* Depreciation solvers: error word 0 ok, -i argument i invalid, positive
 * when the guarded power failed. */
QELFIN_API double zdcdb(double p, double v, double y, double r, int32_t* err);
QELFIN_API double zdpdb(double p, double v, double y, double r, int32_t* err);
QELFIN_API double zdcdbsl(double p, double v, double y, double r, int32_t* err);
QELFIN_API double zdpdbsl(double p, double v, double y, double r, int32_t* err);
QELFIN_API double zdcsl(double p, double v, double y, int32_t* err);
QELFIN_API double zdpsl(double p, double v, double y, int32_t* err);
QELFIN_API double zdcsyd(double p, double v, double y, int32_t* err);
QELFIN_API double zdpsyd(double p, double v, double y, int32_t* err);
QELFIN_API double zdctab(double p, double v, int32_t m, ValueCallback fn, void* context, int32_t* err);
QELFIN_API double zdptab(double p, double v, int32_t m, ValueCallback fn, void* context, int32_t* err);

/* ------------------------------------------------------------------------
 * Layout pins
 * ------------------------------------------------------------------------ */

#ifdef __cplusplus
#define QELFIN_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define QELFIN_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

#if defined(__i386__)
QELFIN_STATIC_ASSERT(sizeof(ArgDescriptor) == 8, "ArgDescriptor is 8 bytes");
QELFIN_STATIC_ASSERT(offsetof(ArgDescriptor, value) == 4, "value at 4");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, call_state) == 8, "call_state at 8");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, caller_kind) == 12, "caller_kind at 12");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, arg_count) == 16, "arg_count at 16");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, args) == 20, "header is 20 bytes");
QELFIN_STATIC_ASSERT(sizeof(FunctionArgs) == 20, "header is 20 bytes");
QELFIN_STATIC_ASSERT(offsetof(CharValue, length) == 2, "length at 2");
QELFIN_STATIC_ASSERT(offsetof(CharValue, bytes) == 4, "bytes at 4");
QELFIN_STATIC_ASSERT(sizeof(CharValue) == 8, "CharValue is 8 bytes");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, magic) == 24, "magic at 24");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, release) == 32, "release at 32");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, build) == 38, "build at 38");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, date) == 58, "date at 58");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, pcns) == 84, "pcns at 84");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, notice) == 88, "notice at 88");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, code) == 92, "code at 92");
QELFIN_STATIC_ASSERT(sizeof(ImageInformation) == 96, "ImageInformation is 96 bytes");
QELFIN_STATIC_ASSERT(offsetof(RegistrationRecord, name) == 12, "name at 12");
QELFIN_STATIC_ASSERT(offsetof(RegistrationRecord, entry) == 24, "entry at 24");
QELFIN_STATIC_ASSERT(offsetof(RegistrationRecord, w40) == 40, "w40 at 40");
QELFIN_STATIC_ASSERT(sizeof(RegistrationRecord) == 44, "RegistrationRecord is 44 bytes");
QELFIN_STATIC_ASSERT(sizeof(FunctionVector) == 72, "FunctionVector is 72 bytes");
QELFIN_STATIC_ASSERT(offsetof(VersionRecord, build_time) == 12, "build_time at 12");
QELFIN_STATIC_ASSERT(offsetof(VersionRecord, hotfix) == 48, "hotfix at 48");
QELFIN_STATIC_ASSERT(offsetof(VersionRecord, platform) == 60, "platform at 60");
QELFIN_STATIC_ASSERT(offsetof(VersionRecord, zero) == 64, "zero words at 64");
QELFIN_STATIC_ASSERT(sizeof(VersionRecord) == 104, "VersionRecord is 104 bytes");
QELFIN_STATIC_ASSERT(offsetof(ZirrParams, sign_changes) == 8, "sign_changes at 8");
QELFIN_STATIC_ASSERT(offsetof(ZirrParams, callback) == 16, "callback at 16");
QELFIN_STATIC_ASSERT(offsetof(ZirrParams, multiple) == 24, "multiple at 24");
QELFIN_STATIC_ASSERT(offsetof(ZirrParams, rate) == 28, "rate at 28");
QELFIN_STATIC_ASSERT(sizeof(ZirrParams) == 36, "ZirrParams is 36 bytes");
#elif defined(__x86_64__)
QELFIN_STATIC_ASSERT(sizeof(ArgDescriptor) == 16, "ArgDescriptor is 16 bytes");
QELFIN_STATIC_ASSERT(offsetof(ArgDescriptor, value) == 8, "value at 8");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, call_state) == 16, "call_state at 16");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, caller_kind) == 24, "caller_kind at 24");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, arg_count) == 28, "arg_count at 28");
QELFIN_STATIC_ASSERT(offsetof(FunctionArgs, args) == 32, "header is 32 bytes");
QELFIN_STATIC_ASSERT(offsetof(CharValue, length) == 2, "length at 2");
QELFIN_STATIC_ASSERT(offsetof(CharValue, bytes) == 8, "bytes at 8");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, date) == 58, "date at 58");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, pcns) == 88, "pcns at 88");
QELFIN_STATIC_ASSERT(offsetof(ImageInformation, code) == 104, "code at 104");
QELFIN_STATIC_ASSERT(sizeof(ImageInformation) == 112, "ImageInformation is 112 bytes");
QELFIN_STATIC_ASSERT(offsetof(RegistrationRecord, entry) == 24, "entry at 24");
QELFIN_STATIC_ASSERT(sizeof(RegistrationRecord) == 48, "RegistrationRecord is 48 bytes");
QELFIN_STATIC_ASSERT(sizeof(FunctionVector) == 144, "FunctionVector is 144 bytes");
QELFIN_STATIC_ASSERT(offsetof(VersionRecord, build_time) == 24, "build_time at 24");
QELFIN_STATIC_ASSERT(offsetof(VersionRecord, zero) == 128, "zero words at 128");
QELFIN_STATIC_ASSERT(sizeof(VersionRecord) == 168, "VersionRecord is 168 bytes");
QELFIN_STATIC_ASSERT(offsetof(ZirrParams, callback) == 16, "callback at 16");
QELFIN_STATIC_ASSERT(offsetof(ZirrParams, rate) == 40, "rate at 40");
QELFIN_STATIC_ASSERT(sizeof(ZirrParams) == 48, "ZirrParams is 48 bytes");
#else
#error "qelfin is laid out for i386 and x86-64 only"
#endif

#ifdef __cplusplus
}
#endif

#endif /* QELFIN_QELFIN_H */
