/* septcvt._septcvt: libseptcvt's calls for the package's Python layer, in
 * CPython's stable ABI. Text crosses as a str, or as its UTF-8 (lone
 * surrogates passed through, for the library to refuse where they stand);
 * the offsets the library gives in that UTF-8 go back as str indices. Each
 * call returns its status first and leaves raising to the Python layer,
 * which knows the package's exceptions; a Python exception raised here
 * means the arguments were of the wrong type, or memory ran out. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <septcvt.h>

/* str indices of offsets into the UTF-8 of a str: a count of the bytes that
 * begin a character. A walk is asked offsets in increasing order, so a
 * whole list costs one pass over the text. */
typedef struct index_walk {
    const unsigned char *text;
    size_t byte;
    Py_ssize_t index;
} index_walk;

static Py_ssize_t index_at(index_walk *w, uint64_t offset)
{
    for (; w->byte < offset; ++w->byte)
        w->index += (w->text[w->byte] & 0xC0) != 0x80;
    return w->index;
}

/* An offset as a str index, None where the library has none. */
static PyObject *index_or_none(const char *text, uint64_t offset)
{
    index_walk w = {(const unsigned char *)text, 0, 0};
    if (offset == SEPTCVT_NO_OFFSET)
        Py_RETURN_NONE;
    return PyLong_FromSsize_t(index_at(&w, offset));
}

/* The UTF-8 of a str, lone surrogates included as three bytes each. */
static PyObject *utf8_of(PyObject *text)
{
    return PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass");
}

/* The bytes of the UTF-8 character whose first byte is lead: where the
 * library refuses a character of a str (a lone surrogate, U+FFFE, U+FFFF)
 * it gives no length. */
static size_t utf8_length(unsigned char lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

/* The Python layer's result classes (NamedTuples), bound once by bind();
 * their instances are made here as tuple.__new__ makes them. The names of
 * the encodings and the languages' codes, made once. */
static PyObject *tuple_new, *plan_class, *part_class, *replacement_class, *received_class;
static PyObject *encoding_names[2], *language_codes[SEPTCVT_URDU + 1];

/* An instance of cls holding the n objects after n, whose references it
 * takes; NULL where one of them is NULL (its error stands) or memory ran
 * out. */
static PyObject *record(PyObject *cls, int n, ...)
{
    PyObject *items = PyTuple_New(n), *result = NULL;
    int complete = items != NULL;
    va_list fields;
    va_start(fields, n);
    for (int i = 0; i < n; ++i) {
        PyObject *field = va_arg(fields, PyObject *);
        if (field == NULL || items == NULL) {
            complete = 0;
            Py_XDECREF(field);
        } else {
            PyTuple_SetItem(items, i, field);
        }
    }
    va_end(fields);
    if (complete)
        result = PyObject_CallFunctionObjArgs(tuple_new, cls, items, NULL);
    Py_XDECREF(items);
    return result;
}

/* A new reference to a language's code, or to None. */
static PyObject *language_code(int id)
{
    PyObject *code = id > 0 && id <= SEPTCVT_URDU ? language_codes[id] : Py_None;
    Py_INCREF(code);
    return code;
}

/* convert(direction, locking, single, data, start, end): converts
 * data[start:end] up to the first character the conversion leaves out or
 * refuses. Returns (status, output, stop, length): SEPTCVT_OK, or
 * SEPTCVT_MALFORMED where that character is refused rather than unmapped;
 * the output (bytes of GSM codes, or a str) of data[start:stop]; where the
 * character stands and its bytes (end and 0 where there is none). Any
 * other status comes alone. */
static PyObject *convert(PyObject *self, PyObject *args)
{
    int direction, locking, single, found, status;
    const char *data;
    Py_ssize_t size, start, end;
    uint64_t stop, unmapped, error_offset;
    size_t length, room, written = 0;
    char *out;
    PyObject *result;
    (void)self;
    if (!PyArg_ParseTuple(args, "iiiy#nn", &direction, &locking, &single, &data, &size, &start, &end))
        return NULL;
    if (start < 0 || start > end || end > size) {
        PyErr_SetString(PyExc_IndexError, "start or end outside the data");
        return NULL;
    }
    found = septcvt_next_unmapped(direction, SEPTCVT_UTF8, locking, single, data, (size_t)end, (uint64_t)start, &stop,
                                  &length);
    if (found == SEPTCVT_MALFORMED)
        length = utf8_length((unsigned char)data[stop]);
    else if (found != SEPTCVT_OK)
        return Py_BuildValue("(i)", found);
    else if (stop == SEPTCVT_NO_OFFSET)
        stop = (uint64_t)end;
    room = septcvt_output_room_pair((size_t)(stop - (uint64_t)start), locking, single);
    out = PyMem_Malloc(room);
    if (out == NULL)
        return PyErr_NoMemory();
    /* What lies before the first unmapped character converts whole. */
    if (direction == SEPTCVT_TO_GSM)
        status = septcvt_to_gsm_pair(SEPTCVT_UTF8, locking, single, data + start, (size_t)(stop - (uint64_t)start),
                                     out, room, &written, &unmapped, &error_offset);
    else
        status = septcvt_to_unicode_pair(SEPTCVT_UTF8, locking, single, data + start,
                                         (size_t)(stop - (uint64_t)start), out, room, &written, &unmapped);
    if (status != SEPTCVT_OK)
        result = Py_BuildValue("(i)", status);
    else if (direction == SEPTCVT_TO_GSM)
        result = Py_BuildValue("(iy#nn)", found, out, (Py_ssize_t)written, (Py_ssize_t)stop, (Py_ssize_t)length);
    else
        result = Py_BuildValue("(is#nn)", found, out, (Py_ssize_t)written, (Py_ssize_t)stop, (Py_ssize_t)length);
    PyMem_Free(out);
    return result;
}

/* Part k as the Python layer's Part; NULL with *status set where the
 * library refuses. Where look-alikes were replaced its text is read back
 * from its user data, as a receiver shows it; otherwise that is the text
 * planned, character for character, and taken from it. */
static PyObject *part_of(const char *text, size_t len, const septcvt_plan_options *options, const septcvt_plan *plan,
                         const septcvt_part *parts, size_t k, unsigned reference, index_walk *walk, int *status)
{
    septcvt_user_data ud;
    septcvt_received shown;
    const char *shown_text = text + parts[k].begin;
    size_t shown_len = parts[k].end - parts[k].begin;
    Py_ssize_t start, end;
    *status = septcvt_part_user_data(text, len, options, plan, parts, k, reference, &ud);
    if (*status != SEPTCVT_OK)
        return NULL;
    if (plan->replaced > 0) {
        *status = septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &shown);
        if (*status != SEPTCVT_OK)
            return NULL;
        shown_text = (const char *)shown.text;
        shown_len = shown.text_len;
    }
    start = index_at(walk, parts[k].begin);
    end = index_at(walk, parts[k].end);
    return record(part_class, 8, PyUnicode_DecodeUTF8(shown_text, (Py_ssize_t)shown_len, NULL),
                  PyLong_FromSsize_t(start), PyLong_FromSsize_t(end), PyLong_FromSize_t(parts[k].length),
                  PyLong_FromLong(ud.dcs), PyBool_FromLong(ud.udhi), PyLong_FromLong(ud.udl),
                  PyBytes_FromStringAndSize((const char *)ud.ud, (Py_ssize_t)ud.length));
}

/* ruled_out(text, locking_mask, single_mask, replace): (SEPTCVT_OK,
 * ((index, code point), ...)), the characters of text that no allowed
 * pair holds; any other status comes alone. */
static PyObject *ruled_out(PyObject *self, PyObject *args)
{
    PyObject *text, *utf8, *list = NULL;
    unsigned locking_mask, single_mask;
    int replace, status;
    septcvt_char few[16], *found = few;
    size_t count = 0;
    index_walk walk;
    (void)self;
    if (!PyArg_ParseTuple(args, "UIIp", &text, &locking_mask, &single_mask, &replace))
        return NULL;
    utf8 = utf8_of(text);
    if (utf8 == NULL)
        return NULL;
    walk.text = (const unsigned char *)PyBytes_AsString(utf8);
    walk.byte = 0;
    walk.index = 0;
    {
        const septcvt_plan_options options = {(uint16_t)locking_mask, (uint16_t)single_mask, replace, 0, NULL, 0};
        const size_t len = (size_t)PyBytes_Size(utf8);
        status = septcvt_plan_ruled_out(SEPTCVT_UTF8, walk.text, len, &options, few, 16, &count, NULL);
        if (status == SEPTCVT_NO_ROOM) {
            found = PyMem_Malloc(count * sizeof *found);
            status = found == NULL ? SEPTCVT_NO_ROOM
                                   : septcvt_plan_ruled_out(SEPTCVT_UTF8, walk.text, len, &options, found, count,
                                                            &count, NULL);
        }
    }
    if (found == NULL)
        PyErr_NoMemory();
    else if (status == SEPTCVT_OK)
        list = PyTuple_New((Py_ssize_t)count);
    for (size_t i = 0; list != NULL && i < count; ++i) {
        PyObject *item = Py_BuildValue("(nk)", index_at(&walk, found[i].offset), (unsigned long)found[i].code_point);
        if (item == NULL)
            Py_CLEAR(list);
        else
            PyTuple_SetItem(list, (Py_ssize_t)i, item);
    }
    if (found != few)
        PyMem_Free(found);
    Py_DECREF(utf8);
    if (list != NULL)
        return Py_BuildValue("(iN)", SEPTCVT_OK, list);
    return PyErr_Occurred() ? NULL : Py_BuildValue("(i)", status);
}

/* The look-alikes that went out replaced, as the Python layer's
 * Replacement. */
static PyObject *replaced_of(const char *text, size_t len, const septcvt_plan *plan, int *status)
{
    septcvt_replacement *found;
    size_t count = 0;
    index_walk walk = {(const unsigned char *)text, 0, 0};
    PyObject *list;
    if (plan->replaced == 0)
        return PyTuple_New(0);
    found = PyMem_Malloc(plan->replaced * sizeof *found);
    if (found == NULL)
        return PyErr_NoMemory();
    *status = septcvt_plan_replaced(text, len, plan, found, plan->replaced, &count);
    list = *status == SEPTCVT_OK ? PyTuple_New((Py_ssize_t)count) : NULL;
    for (size_t i = 0; list != NULL && i < count; ++i) {
        int native = 0;
        PyObject *became = PyUnicode_DecodeUTF32((const char *)found[i].became,
                                                 (Py_ssize_t)(found[i].became_count * sizeof(uint32_t)), NULL, &native);
        PyObject *item = record(replacement_class, 3, PyLong_FromSsize_t(index_at(&walk, found[i].original.offset)),
                                PyLong_FromUnsignedLong(found[i].original.code_point), became);
        if (item == NULL)
            Py_CLEAR(list);
        else
            PyTuple_SetItem(list, (Py_ssize_t)i, item);
    }
    PyMem_Free(found);
    return list;
}

/* plan(text, locking_mask, single_mask, replace, reference_bits, elements,
 * reference): the Python layer's Plan, its parts with their user data; or,
 * where the library refuses, a plain tuple (status, error index or None,
 * parts needed). */
static PyObject *plan(PyObject *self, PyObject *args)
{
    PyObject *text, *utf8, *parts_out = NULL, *replaced = NULL, *result = NULL;
    const char *data, *elements;
    Py_ssize_t len, elements_len;
    unsigned locking_mask, single_mask, reference;
    int replace, bits, status;
    septcvt_plan p = {0};
    septcvt_part parts[SEPTCVT_MOST_PARTS];
    uint64_t error_offset = SEPTCVT_NO_OFFSET;
    index_walk walk;
    (void)self;
    if (!PyArg_ParseTuple(args, "UIIpiy#I", &text, &locking_mask, &single_mask, &replace, &bits, &elements,
                          &elements_len, &reference))
        return NULL;
    utf8 = utf8_of(text);
    if (utf8 == NULL)
        return NULL;
    data = PyBytes_AsString(utf8);
    len = PyBytes_Size(utf8);
    {
        const septcvt_plan_options options = {(uint16_t)locking_mask, (uint16_t)single_mask, replace, bits,
                                              (const uint8_t *)elements, (size_t)elements_len};
        status = septcvt_plan_text(SEPTCVT_UTF8, data, (size_t)len, &options, &p, parts, SEPTCVT_MOST_PARTS,
                                   &error_offset);
        walk.text = (const unsigned char *)data;
        walk.byte = 0;
        walk.index = 0;
        parts_out = status == SEPTCVT_OK ? PyTuple_New((Py_ssize_t)p.parts) : NULL;
        for (size_t k = 0; parts_out != NULL && k < p.parts; ++k) {
            PyObject *part = part_of(data, (size_t)len, &options, &p, parts, k, reference, &walk, &status);
            if (part == NULL)
                Py_CLEAR(parts_out);
            else
                PyTuple_SetItem(parts_out, (Py_ssize_t)k, part);
        }
        if (parts_out != NULL)
            replaced = replaced_of(data, (size_t)len, &p, &status);
    }
    if (replaced != NULL) {
        PyObject *reference_used = p.parts > 1 ? PyLong_FromUnsignedLong(reference) : (Py_INCREF(Py_None), Py_None);
        Py_INCREF(encoding_names[p.dcs == SEPTCVT_DCS_UCS2]);
        result = record(plan_class, 12, encoding_names[p.dcs == SEPTCVT_DCS_UCS2], PyLong_FromLong(p.dcs),
                        PyLong_FromLong(p.locking), PyLong_FromLong(p.single), language_code(p.locking),
                        language_code(p.single), parts_out, PyLong_FromSize_t(p.room_left),
                        index_or_none(data, p.ran_out), replaced, reference_used, PyLong_FromLong(p.reference_bits));
    } else {
        Py_XDECREF(parts_out);
        if (!PyErr_Occurred())
            result = Py_BuildValue("(iNn)", status, index_or_none(data, error_offset), (Py_ssize_t)p.parts);
    }
    Py_DECREF(utf8);
    return result;
}

/* read_part(dcs, udhi, udl, user_data): (status, the Python layer's
 * Received), status SEPTCVT_OK or SEPTCVT_UNMAPPED; any other status
 * comes alone. */
static PyObject *read_part(PyObject *self, PyObject *args)
{
    int dcs, udhi, udl, status;
    const char *ud;
    Py_ssize_t ud_len;
    septcvt_received r;
    (void)self;
    if (!PyArg_ParseTuple(args, "ipiy#", &dcs, &udhi, &udl, &ud, &ud_len))
        return NULL;
    status = septcvt_read_part(dcs, udhi, udl, (const uint8_t *)ud, (size_t)ud_len, &r);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED)
        return Py_BuildValue("(i)", status);
    return Py_BuildValue("(iN)", status,
                         record(received_class, 10, PyUnicode_DecodeUTF8((const char *)r.text, (Py_ssize_t)r.text_len,
                                                                         NULL),
                                PyBool_FromLong(r.concatenated), PyLong_FromUnsignedLong(r.reference),
                                PyLong_FromUnsignedLong(r.total), PyLong_FromUnsignedLong(r.sequence),
                                PyLong_FromLong(r.locking), PyLong_FromLong(r.single), language_code(r.locking),
                                language_code(r.single), PyLong_FromUnsignedLongLong(r.unmapped)));
}

/* bind(Plan, Part, Replacement, Received): the classes whose instances
 * plan() and read_part() make. */
static PyObject *bind(PyObject *self, PyObject *args)
{
    PyObject *classes[4];
    (void)self;
    if (!PyArg_ParseTuple(args, "OOOO", &classes[0], &classes[1], &classes[2], &classes[3]))
        return NULL;
    for (int i = 0; i < 4; ++i)
        Py_INCREF(classes[i]);
    Py_XDECREF(plan_class);
    Py_XDECREF(part_class);
    Py_XDECREF(replacement_class);
    Py_XDECREF(received_class);
    plan_class = classes[0];
    part_class = classes[1];
    replacement_class = classes[2];
    received_class = classes[3];
    Py_RETURN_NONE;
}

static PyObject *strerror_of(PyObject *self, PyObject *args)
{
    int status;
    (void)self;
    if (!PyArg_ParseTuple(args, "i", &status))
        return NULL;
    return PyUnicode_FromString(septcvt_strerror(status));
}

static PyMethodDef methods[] = {
    {"convert", convert, METH_VARARGS, NULL},
    {"plan", plan, METH_VARARGS, NULL},
    {"read_part", read_part, METH_VARARGS, NULL},
    {"ruled_out", ruled_out, METH_VARARGS, NULL},
    {"bind", bind, METH_VARARGS, NULL},
    {"strerror", strerror_of, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef module = {
    PyModuleDef_HEAD_INIT, "septcvt._septcvt", "libseptcvt's calls for the septcvt package.", -1, methods,
    NULL, NULL, NULL, NULL,
};

/* The header's names, so that the Python layer retypes no number. */
#define NAMED(name) {#name, name}
static const struct named {
    const char *name;
    int value;
} statuses[] = {
    NAMED(SEPTCVT_OK), NAMED(SEPTCVT_UNMAPPED), NAMED(SEPTCVT_MALFORMED), NAMED(SEPTCVT_NO_MARK),
    NAMED(SEPTCVT_NULL_POINTER), NAMED(SEPTCVT_NO_ROOM), NAMED(SEPTCVT_NOT_SEPTET), NAMED(SEPTCVT_BAD_FILL_BITS),
    NAMED(SEPTCVT_BAD_ARGUMENT), NAMED(SEPTCVT_TOO_MANY_PARTS), NAMED(SEPTCVT_BAD_USER_DATA), NAMED(SEPTCVT_NOT_TEXT),
}, constants[] = {
    NAMED(SEPTCVT_TO_UNICODE), NAMED(SEPTCVT_TO_GSM), NAMED(SEPTCVT_DCS_7BIT), NAMED(SEPTCVT_DCS_UCS2),
    NAMED(SEPTCVT_MOST_PARTS),
}, languages[] = {
    /* ISO 639-1 codes */
    {"tr", SEPTCVT_TURKISH}, {"es", SEPTCVT_SPANISH}, {"pt", SEPTCVT_PORTUGUESE}, {"bn", SEPTCVT_BENGALI},
    {"gu", SEPTCVT_GUJARATI}, {"hi", SEPTCVT_HINDI}, {"kn", SEPTCVT_KANNADA}, {"ml", SEPTCVT_MALAYALAM},
    {"or", SEPTCVT_ORIYA}, {"pa", SEPTCVT_PUNJABI}, {"ta", SEPTCVT_TAMIL}, {"te", SEPTCVT_TELUGU},
    {"ur", SEPTCVT_URDU},
};

/* Each name as a constant without its prefix, and a dict of them. */
static int add_named(PyObject *m, const char *dict_name, const struct named *table, size_t n, int by_value)
{
    PyObject *dict = PyDict_New();
    int failed = dict == NULL;
    for (size_t i = 0; !failed && i < n; ++i) {
        const char *bare = strncmp(table[i].name, "SEPTCVT_", 8) == 0 ? table[i].name + 8 : table[i].name;
        PyObject *key = by_value ? PyLong_FromLong(table[i].value) : PyUnicode_FromString(table[i].name);
        PyObject *value = by_value ? PyUnicode_FromString(table[i].name) : PyLong_FromLong(table[i].value);
        failed = key == NULL || value == NULL || PyDict_SetItem(dict, key, value) < 0 ||
                 (bare != table[i].name && PyModule_AddIntConstant(m, bare, table[i].value) < 0);
        Py_XDECREF(key);
        Py_XDECREF(value);
    }
    if (!failed && dict_name != NULL) {
        failed = PyModule_AddObject(m, dict_name, dict) < 0;
        if (!failed)
            return 0;
    }
    Py_XDECREF(dict);
    return failed ? -1 : 0;
}

/* The objects made once: tuple.__new__, the names of the encodings and the
 * languages' codes. */
static int make_constants(void)
{
    tuple_new = PyObject_GetAttrString((PyObject *)&PyTuple_Type, "__new__");
    encoding_names[0] = PyUnicode_InternFromString("7-bit");
    encoding_names[1] = PyUnicode_InternFromString("UCS-2");
    if (tuple_new == NULL || encoding_names[0] == NULL || encoding_names[1] == NULL)
        return -1;
    for (size_t i = 0; i < sizeof languages / sizeof *languages; ++i)
        if ((language_codes[languages[i].value] = PyUnicode_InternFromString(languages[i].name)) == NULL)
            return -1;
    return 0;
}

PyMODINIT_FUNC PyInit__septcvt(void)
{
    PyObject *m = tuple_new == NULL && make_constants() < 0 ? NULL : PyModule_Create(&module);
    if (m == NULL)
        return NULL;
    if (add_named(m, "STATUS_NAMES", statuses, sizeof statuses / sizeof *statuses, 1) < 0 ||
        add_named(m, NULL, constants, sizeof constants / sizeof *constants, 0) < 0 ||
        add_named(m, "LANGUAGES", languages, sizeof languages / sizeof *languages, 0) < 0 ||
        PyModule_AddStringConstant(m, "LIBRARY_VERSION", septcvt_version()) < 0 ||
        PyModule_AddStringConstant(m, "UNICODE_VERSION", septcvt_unicode_version()) < 0) {
        Py_DECREF(m);
        return NULL;
    }
    return m;
}
