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

/* A new reference to None. */
static PyObject *none(void)
{
    Py_RETURN_NONE;
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

/* A part read, as the Python layer's Received; its text None where the
 * part holds no text (8-bit or compressed data read in a TPDU). */
static PyObject *received_of(const septcvt_received *r, int text)
{
    PyObject *shown = text ? PyUnicode_DecodeUTF8((const char *)r->text, (Py_ssize_t)r->text_len, NULL) : none();
    return record(received_class, 10, shown, PyBool_FromLong(r->concatenated), PyLong_FromUnsignedLong(r->reference),
                  PyLong_FromUnsignedLong(r->total), PyLong_FromUnsignedLong(r->sequence), PyLong_FromLong(r->locking),
                  PyLong_FromLong(r->single), language_code(r->locking), language_code(r->single),
                  PyLong_FromUnsignedLongLong(r->unmapped));
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
    return Py_BuildValue("(iN)", status, received_of(&r, 1));
}

/* The wire calls: PDU mode, SMPP's fields and the joiner. A refusal comes
 * back as (status, the field's name, its octet, its value), the name ""
 * where the library names none; the Python layer raises it. */
static PyObject *refusal(int status, const septcvt_tpdu_fault *fault)
{
    return Py_BuildValue("(isnk)", status, septcvt_field_name(fault->field), (Py_ssize_t)fault->offset,
                         (unsigned long)fault->value);
}

static PyObject *none_or_long(int present, long value)
{
    return present ? PyLong_FromLong(value) : none();
}

/* A text planned again, as plan() planned it: the tuple a Plan keeps,
 * (text, locking mask, single mask, replace, reference bits, elements,
 * reference). The planner gives the same plan for the same text and
 * options, so the parts written here are the parts the Plan shows. */
typedef struct planned {
    PyObject *utf8;
    const char *text;
    size_t len;
    unsigned reference;
    septcvt_plan_options options;
    septcvt_plan plan;
    septcvt_part parts[SEPTCVT_MOST_PARTS];
} planned;

/* The planner's status, or -1 with a Python exception; p->utf8 is the
 * caller's to release either way. */
static int plan_again(PyObject *asked, planned *p)
{
    PyObject *text;
    const char *elements;
    Py_ssize_t elements_len;
    unsigned locking_mask, single_mask;
    int replace, bits;
    if (!PyArg_ParseTuple(asked, "UIIpiy#I", &text, &locking_mask, &single_mask, &replace, &bits, &elements,
                          &elements_len, &p->reference) ||
        (p->utf8 = utf8_of(text)) == NULL)
        return -1;
    p->text = PyBytes_AsString(p->utf8);
    p->len = (size_t)PyBytes_Size(p->utf8);
    p->options.locking_languages = (uint16_t)locking_mask;
    p->options.single_languages = (uint16_t)single_mask;
    p->options.replace_lookalikes = replace;
    p->options.reference_bits = bits;
    p->options.elements = (const uint8_t *)elements;
    p->options.elements_len = (size_t)elements_len;
    return septcvt_plan_text(SEPTCVT_UTF8, p->text, p->len, &p->options, &p->plan, p->parts, SEPTCVT_MOST_PARTS,
                             NULL);
}

/* An address's text into the struct's room; longer text could never be
 * an address, and is refused as the library refuses one of too many
 * digits. */
static int address_text(septcvt_address *a, const char *text, int field, septcvt_tpdu_fault *fault)
{
    const size_t n = strlen(text);
    if (n >= sizeof a->text) {
        fault->field = field;
        fault->value = (unsigned)n;
        return SEPTCVT_BAD_ARGUMENT;
    }
    memcpy(a->text, text, n + 1);
    return SEPTCVT_OK;
}

#define STAMP "(iiiiiii)"
#define STAMP_OF(s) &(s).year, &(s).month, &(s).day, &(s).hour, &(s).minute, &(s).second, &(s).zone

/* The fields the Python layer flattened (_flat in pdu.py) into *t: a
 * status, the field in *fault where one is refused here, or -1 with a
 * Python exception for arguments of the wrong type. */
static int tpdu_of(PyObject *fields, septcvt_tpdu *t, septcvt_tpdu_fault *fault)
{
    static const int address_fields[] = {SEPTCVT_FIELD_OA, SEPTCVT_FIELD_DA, SEPTCVT_FIELD_RA};
    const char *sc, *address, *ud;
    Py_ssize_t ud_len;
    long long seconds;
    septcvt_validity *v = &t->validity;
    int status;
    memset(t, 0, sizeof *t);
    if (!PyArg_ParseTuple(fields, "i(siip)(siip)pppppiipi(iLipp" STAMP ")" STAMP STAMP "ipiipiy#", &t->type, &sc,
                          &t->sc.ton, &t->sc.npi, &t->sc.explicit_type, &address, &t->address.ton, &t->address.npi,
                          &t->address.explicit_type, &t->reject_duplicates, &t->reply_path, &t->status_report,
                          &t->more_messages, &t->loop_prevention, &t->message_reference, &t->pid, &t->has_class,
                          &t->message_class, &v->format, &seconds, &v->enhanced, &v->single_shot, &v->extension,
                          STAMP_OF(v->absolute), STAMP_OF(t->scts), STAMP_OF(t->discharge), &t->status_sent,
                          &t->has_pi, &t->pi, &t->user_data.dcs, &t->user_data.udhi, &t->user_data.udl, &ud, &ud_len))
        return -1;
    status = address_text(&t->sc, sc, SEPTCVT_FIELD_SCA, fault);
    if (status == SEPTCVT_OK)
        status = address_text(&t->address, address,
                              t->type >= 0 && t->type <= 2 ? address_fields[t->type] : SEPTCVT_FIELD_ADDRESS, fault);
    if (status == SEPTCVT_OK && (seconds < 0 || seconds > UINT32_MAX)) {
        fault->field = SEPTCVT_FIELD_VP;
        status = SEPTCVT_BAD_ARGUMENT;
    }
    /* More than a part holds could never read back. */
    if (status == SEPTCVT_OK && ud_len > SEPTCVT_USER_DATA_OCTETS) {
        fault->field = SEPTCVT_FIELD_UD;
        fault->value = (unsigned)ud_len;
        status = SEPTCVT_BAD_USER_DATA;
    }
    v->seconds = (uint32_t)seconds;
    t->user_data.length = (size_t)ud_len;
    if (status == SEPTCVT_OK)
        memcpy(t->user_data.ud, ud, (size_t)ud_len);
    return status;
}

/* submit(asked, fields, with_sc): each part of the plan as SMS-SUBMIT,
 * (SEPTCVT_OK, ((octets, the TPDU's length), ...)), or a refusal. */
static PyObject *submit(PyObject *self, PyObject *args)
{
    PyObject *asked, *fields, *pdus = NULL;
    int with_sc, status;
    septcvt_tpdu t;
    septcvt_tpdu_fault fault = {0, 0, 0};
    planned p = {0};
    (void)self;
    if (!PyArg_ParseTuple(args, "OOp", &asked, &fields, &with_sc) || (status = tpdu_of(fields, &t, &fault)) < 0 ||
        (status == SEPTCVT_OK && (status = plan_again(asked, &p)) < 0)) {
        Py_XDECREF(p.utf8);
        return NULL;
    }
    pdus = status == SEPTCVT_OK ? PyTuple_New((Py_ssize_t)p.plan.parts) : NULL;
    for (size_t k = 0; pdus != NULL && k < p.plan.parts; ++k) {
        uint8_t out[SEPTCVT_TPDU_OCTETS];
        size_t n, length;
        PyObject *pdu = NULL;
        status = septcvt_submit_part(p.text, p.len, &p.options, &p.plan, p.parts, k, p.reference, &t, with_sc, out,
                                     sizeof out, &n, &length, &fault);
        if (status == SEPTCVT_OK)
            pdu = Py_BuildValue("(y#n)", (const char *)out, (Py_ssize_t)n, (Py_ssize_t)length);
        if (pdu == NULL)
            Py_CLEAR(pdus);
        else
            PyTuple_SetItem(pdus, (Py_ssize_t)k, pdu);
    }
    Py_XDECREF(p.utf8);
    if (pdus != NULL)
        return Py_BuildValue("(iN)", SEPTCVT_OK, pdus);
    return PyErr_Occurred() ? NULL : refusal(status, &fault);
}

/* encode_tpdu(fields, with_sc): (SEPTCVT_OK, (octets, the TPDU's
 * length)), or a refusal. */
static PyObject *encode_tpdu(PyObject *self, PyObject *args)
{
    PyObject *fields;
    int with_sc, status;
    septcvt_tpdu t;
    septcvt_tpdu_fault fault = {0, 0, 0};
    uint8_t out[SEPTCVT_TPDU_OCTETS];
    size_t n, length;
    (void)self;
    if (!PyArg_ParseTuple(args, "Op", &fields, &with_sc) || (status = tpdu_of(fields, &t, &fault)) < 0)
        return NULL;
    if (status == SEPTCVT_OK)
        status = septcvt_tpdu_encode(&t, with_sc, out, sizeof out, &n, &length, &fault);
    if (status != SEPTCVT_OK)
        return refusal(status, &fault);
    return Py_BuildValue("(i(y#n))", SEPTCVT_OK, (const char *)out, (Py_ssize_t)n, (Py_ssize_t)length);
}

static PyObject *stamp_of(const septcvt_time_stamp *s)
{
    return Py_BuildValue(STAMP, s->year, s->month, s->day, s->hour, s->minute, s->second, s->zone);
}

static PyObject *address_of(const septcvt_address *a)
{
    return Py_BuildValue("(sii)", a->text, a->ton, a->npi);
}

/* decode_tpdu(data, with_sc, direction): (status, fields), status
 * SEPTCVT_OK or SEPTCVT_UNMAPPED and the fields in the order pdu.py's
 * _read takes them; or a refusal. */
static PyObject *decode_tpdu(PyObject *self, PyObject *args)
{
    const char *data;
    Py_ssize_t len;
    int with_sc, direction, status;
    septcvt_tpdu t;
    septcvt_tpdu_fault fault;
    const septcvt_validity *v = &t.validity;
    (void)self;
    if (!PyArg_ParseTuple(args, "y#pi", &data, &len, &with_sc, &direction))
        return NULL;
    status = septcvt_tpdu_decode((const uint8_t *)data, (size_t)len, with_sc, direction, &t, &fault);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED)
        return refusal(status, &fault);
    return Py_BuildValue("(i(iNNiiiiiiiN(iIiiiiN)NNiiiNiiiy#Nnnn))", status, t.type, address_of(&t.sc),
                         address_of(&t.address), t.reject_duplicates, t.reply_path, t.status_report, t.more_messages,
                         t.loop_prevention, t.message_reference, t.pid, none_or_long(t.has_class, t.message_class),
                         v->format, (unsigned)v->seconds, v->relative, v->enhanced, v->single_shot, v->extension,
                         stamp_of(&v->absolute), stamp_of(&t.scts), stamp_of(&t.discharge), t.status, t.status_sent,
                         t.status_group, none_or_long(t.has_pi, t.pi), t.user_data.dcs, t.user_data.udhi,
                         t.user_data.udl, (const char *)t.user_data.ud, (Py_ssize_t)t.user_data.length,
                         received_of(&t.received, t.text), (Py_ssize_t)t.header_length, (Py_ssize_t)t.tpdu_length,
                         (Py_ssize_t)t.trailing);
}

static PyObject *sar_of(const septcvt_smpp_sar *sar)
{
    if (!sar->present)
        Py_RETURN_NONE;
    return Py_BuildValue("(III)", sar->msg_ref_num, sar->total_segments, sar->segment_seqnum);
}

/* smpp_parts(asked, concatenation, message_class, smsc_alphabet,
 * ucs2_class): (SEPTCVT_OK, ((short_message, esm_class, data_coding,
 * SAR values or None), ...)), or a refusal. */
static PyObject *smpp_parts(PyObject *self, PyObject *args)
{
    PyObject *asked, *list = NULL;
    int concatenation, message_class, status;
    septcvt_smpp_settings settings;
    septcvt_tpdu_fault none = {0, 0, 0};
    planned p = {0};
    (void)self;
    if (!PyArg_ParseTuple(args, "Oiiip", &asked, &concatenation, &message_class, &settings.smsc_alphabet,
                          &settings.ucs2_class) ||
        (status = plan_again(asked, &p)) < 0) {
        Py_XDECREF(p.utf8);
        return NULL;
    }
    list = status == SEPTCVT_OK ? PyTuple_New((Py_ssize_t)p.plan.parts) : NULL;
    for (size_t k = 0; list != NULL && k < p.plan.parts; ++k) {
        septcvt_smpp_message m;
        PyObject *part = NULL;
        status = septcvt_smpp_part(p.text, p.len, &p.options, &p.plan, p.parts, k, p.reference, concatenation,
                                   message_class, &settings, &m);
        if (status == SEPTCVT_OK)
            part = Py_BuildValue("(y#iiN)", (const char *)m.short_message, (Py_ssize_t)m.length, m.esm_class,
                                 m.data_coding, sar_of(&m.sar));
        if (part == NULL)
            Py_CLEAR(list);
        else
            PyTuple_SetItem(list, (Py_ssize_t)k, part);
    }
    Py_XDECREF(p.utf8);
    if (list != NULL)
        return Py_BuildValue("(iN)", SEPTCVT_OK, list);
    return PyErr_Occurred() ? NULL : refusal(status, &none);
}

/* smpp_payload(asked, message_class, smsc_alphabet, ucs2_class):
 * (SEPTCVT_OK, (message_payload, esm_class, data_coding)), or a
 * refusal. */
static PyObject *smpp_payload(PyObject *self, PyObject *args)
{
    PyObject *asked, *result = NULL;
    int message_class, status, esm_class, data_coding;
    septcvt_smpp_settings settings;
    septcvt_tpdu_fault none = {0, 0, 0};
    planned p = {0};
    uint8_t *payload = NULL;
    size_t n;
    (void)self;
    if (!PyArg_ParseTuple(args, "Oiip", &asked, &message_class, &settings.smsc_alphabet, &settings.ucs2_class) ||
        (status = plan_again(asked, &p)) < 0) {
        Py_XDECREF(p.utf8);
        return NULL;
    }
    /* A payload carries a text of more than 255 parts whole. */
    if (status == SEPTCVT_TOO_MANY_PARTS)
        status = SEPTCVT_OK;
    if (status == SEPTCVT_OK && (payload = PyMem_Malloc(SEPTCVT_PAYLOAD_OCTETS)) == NULL)
        PyErr_NoMemory();
    else if (status == SEPTCVT_OK)
        status = septcvt_smpp_payload(p.text, p.len, &p.options, &p.plan, message_class, &settings, payload,
                                      SEPTCVT_PAYLOAD_OCTETS, &n, &esm_class, &data_coding);
    if (!PyErr_Occurred())
        result = status == SEPTCVT_OK ? Py_BuildValue("(i(y#ii))", SEPTCVT_OK, (const char *)payload, (Py_ssize_t)n,
                                                      esm_class, data_coding)
                                      : refusal(status, &none);
    PyMem_Free(payload);
    Py_XDECREF(p.utf8);
    return result;
}

/* SAR values as the Python layer passes them: None, or three numbers it
 * has held to 32 bits. */
static int sar_from(PyObject *given, septcvt_smpp_sar *sar)
{
    memset(sar, 0, sizeof *sar);
    if (given == Py_None)
        return 1;
    sar->present = 1;
    return PyArg_ParseTuple(given, "III", &sar->msg_ref_num, &sar->total_segments, &sar->segment_seqnum);
}

/* read_deliver_sm(message, payload, esm_class, data_coding, SAR values
 * or None, smsc_alphabet, ucs2_class): (status, fields), status
 * SEPTCVT_OK or SEPTCVT_UNMAPPED and the fields in Delivered's order, the
 * alphabet by number; or a refusal. */
static PyObject *read_deliver_sm(PyObject *self, PyObject *args)
{
    const char *message;
    Py_ssize_t len;
    int payload, esm_class, data_coding, status;
    PyObject *given, *result;
    septcvt_smpp_sar sar;
    septcvt_smpp_settings settings;
    septcvt_smpp_received r;
    septcvt_tpdu_fault fault;
    uint8_t few[1024], *text = few;
    (void)self;
    if (!PyArg_ParseTuple(args, "y#piiOip", &message, &len, &payload, &esm_class, &data_coding, &given,
                          &settings.smsc_alphabet, &settings.ucs2_class) ||
        !sar_from(given, &sar))
        return NULL;
    status = septcvt_smpp_read((const uint8_t *)message, (size_t)len, payload, esm_class, data_coding, &sar,
                               &settings, &r, text, sizeof few, &fault);
    /* A long message_payload: r holds the room its text needs. */
    if (status == SEPTCVT_NO_ROOM) {
        if ((text = PyMem_Malloc(r.text_len)) == NULL)
            return PyErr_NoMemory();
        status = septcvt_smpp_read((const uint8_t *)message, (size_t)len, payload, esm_class, data_coding, &sar,
                                   &settings, &r, text, r.text_len, &fault);
    }
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        result = refusal(status, &fault);
    } else {
        const int octets = r.alphabet == SEPTCVT_SMPP_OCTETS;
        result = Py_BuildValue("(i(NNiNiNnNNiIIIiiNNK))", status,
                               octets ? none() : PyUnicode_DecodeUTF8((const char *)text, (Py_ssize_t)r.text_len, NULL),
                               octets ? PyBytes_FromStringAndSize((const char *)text, (Py_ssize_t)r.text_len) : none(),
                               r.alphabet,
                               none_or_long(r.has_class, r.message_class), r.message_type,
                               PyBool_FromLong(r.reply_path), (Py_ssize_t)r.header_length,
                               PyBool_FromLong(r.concatenated), PyBool_FromLong(r.sar), r.reference_bits, r.reference,
                               r.total, r.sequence, r.locking, r.single, language_code(r.locking),
                               language_code(r.single), (unsigned long long)r.unmapped);
    }
    if (text != few)
        PyMem_Free(text);
    return result;
}

/* One part as the joiner takes it, from the Python layer's tuple:
 * (0, dcs, udhi, udl, user_data), a part's user data; (1, type, dcs,
 * udhi, udl, user_data), a TPDU read whole; (2, message, payload,
 * esm_class, data_coding, SAR values or None), a deliver_sm's fields. A
 * status, or -1 with a Python exception. */
static int join_part_of(PyObject *given, const septcvt_smpp_settings *settings, septcvt_join_part *out,
                        septcvt_tpdu_fault *fault)
{
    int kind, dcs, udhi, udl, payload, esm_class, data_coding;
    const char *data;
    Py_ssize_t len;
    PyObject *sar_given;
    septcvt_smpp_sar sar;
    septcvt_tpdu t;
    if (!PyTuple_Check(given) || PyTuple_Size(given) < 1) {
        PyErr_SetString(PyExc_TypeError, "a part is a tuple");
        return -1;
    }
    kind = (int)PyLong_AsLong(PyTuple_GetItem(given, 0));
    if (kind == -1 && PyErr_Occurred())
        return -1;
    if (kind == 0) {
        if (!PyArg_ParseTuple(given, "iipiy#", &kind, &dcs, &udhi, &udl, &data, &len))
            return -1;
        return septcvt_join_part_from_user_data(dcs, udhi, udl, (const uint8_t *)data, (size_t)len, out);
    }
    if (kind == 1) {
        memset(&t, 0, sizeof t);
        if (!PyArg_ParseTuple(given, "iiipiy#", &kind, &t.type, &t.user_data.dcs, &t.user_data.udhi,
                              &t.user_data.udl, &data, &len))
            return -1;
        if (len > SEPTCVT_USER_DATA_OCTETS)
            return SEPTCVT_BAD_USER_DATA;
        t.user_data.length = (size_t)len;
        memcpy(t.user_data.ud, data, (size_t)len);
        return septcvt_join_part_from_tpdu(&t, out);
    }
    if (!PyArg_ParseTuple(given, "iy#piiO", &kind, &data, &len, &payload, &esm_class, &data_coding, &sar_given) ||
        !sar_from(sar_given, &sar))
        return -1;
    return septcvt_join_part_from_smpp((const uint8_t *)data, (size_t)len, payload, esm_class, data_coding, &sar,
                                       settings, out, fault);
}

/* Indices as a tuple, or pairs of them as a tuple of 2-tuples. */
static PyObject *indices_of(const size_t *at, size_t n, int pairs)
{
    PyObject *list = PyTuple_New((Py_ssize_t)n);
    for (size_t i = 0; list != NULL && i < n; ++i) {
        PyObject *item = pairs ? Py_BuildValue("(nn)", (Py_ssize_t)at[2 * i], (Py_ssize_t)at[2 * i + 1])
                               : PyLong_FromSize_t(at[i]);
        if (item == NULL)
            Py_CLEAR(list);
        else
            PyTuple_SetItem(list, (Py_ssize_t)i, item);
    }
    return list;
}

/* A message the joiner made, in the order of the Python layer's Message:
 * (kind, text or None, parts, missing, conflicts, repeats, sar,
 * reference_bits, reference, total, message_type, binary data or None,
 * unmapped). Only a message joined or alone has text. */
static PyObject *message_of(const septcvt_message *m, const septcvt_join_room *room)
{
    const int shown = m->kind == SEPTCVT_JOINED || m->kind == SEPTCVT_ALONE;
    const int octets = m->units_kind == SEPTCVT_UNITS_OCTETS;
    const char *text = (const char *)room->text + m->text_at;
    return Py_BuildValue("(iNNNNnNiIIiNK)", m->kind,
                         shown && !octets ? PyUnicode_DecodeUTF8(text, (Py_ssize_t)m->text_len, NULL) : none(),
                         indices_of(room->indices + m->parts_at, m->parts_count, 0),
                         indices_of(room->indices + m->missing_at, m->missing_count, 0),
                         indices_of(room->indices + m->pairs_at, m->pairs_count, 1), (Py_ssize_t)m->repeats,
                         PyBool_FromLong(m->sar), m->reference_bits, m->reference, m->total, m->message_type,
                         shown && octets ? PyBytes_FromStringAndSize(text, (Py_ssize_t)m->text_len) : none(),
                         (unsigned long long)m->unmapped);
}

/* join(parts, smsc_alphabet, ucs2_class): (status, messages), status
 * SEPTCVT_OK or SEPTCVT_UNMAPPED; or a part refused, (status, its index,
 * the field's name, octet, value). The joiner is asked first for the room
 * it needs, then given it. */
static PyObject *join(PyObject *self, PyObject *args)
{
    PyObject *given, *list = NULL, *result = NULL;
    septcvt_smpp_settings settings;
    septcvt_tpdu_fault fault = {0, 0, 0};
    septcvt_join_part *parts;
    septcvt_join_room room = {NULL, 0, 0, NULL, 0, 0, NULL, 0, 0};
    Py_ssize_t count, i;
    int status = SEPTCVT_OK;
    (void)self;
    if (!PyArg_ParseTuple(args, "O!ip", &PyTuple_Type, &given, &settings.smsc_alphabet, &settings.ucs2_class))
        return NULL;
    count = PyTuple_Size(given);
    if ((parts = PyMem_Malloc((size_t)count * sizeof *parts + 1)) == NULL)
        return PyErr_NoMemory();
    for (i = 0; i < count && status == SEPTCVT_OK; ++i)
        status = join_part_of(PyTuple_GetItem(given, i), &settings, &parts[i], &fault);
    if (status == SEPTCVT_OK && (status = septcvt_join(parts, (size_t)count, &room)) == SEPTCVT_NO_ROOM) {
        room.messages = PyMem_Malloc(room.messages_count * sizeof *room.messages + 1);
        room.indices = PyMem_Malloc(room.indices_count * sizeof *room.indices + 1);
        room.text = PyMem_Malloc(room.text_len + 1);
        room.max_messages = room.messages_count;
        room.max_indices = room.indices_count;
        room.text_size = room.text_len;
        status = room.messages == NULL || room.indices == NULL || room.text == NULL
                     ? (PyErr_NoMemory(), -1)
                     : septcvt_join(parts, (size_t)count, &room);
    }
    if (status == SEPTCVT_OK || status == SEPTCVT_UNMAPPED)
        list = PyTuple_New((Py_ssize_t)room.messages_count);
    for (size_t k = 0; list != NULL && k < room.messages_count; ++k) {
        PyObject *message = message_of(&room.messages[k], &room);
        if (message == NULL)
            Py_CLEAR(list);
        else
            PyTuple_SetItem(list, (Py_ssize_t)k, message);
    }
    if (list != NULL)
        result = Py_BuildValue("(iN)", status, list);
    else if (!PyErr_Occurred() && status >= 0)
        result = Py_BuildValue("(insnk)", status, i - 1, septcvt_field_name(fault.field), (Py_ssize_t)fault.offset,
                               (unsigned long)fault.value);
    PyMem_Free(parts);
    PyMem_Free(room.messages);
    PyMem_Free(room.indices);
    PyMem_Free(room.text);
    return result;
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
    {"submit", submit, METH_VARARGS, NULL},
    {"encode_tpdu", encode_tpdu, METH_VARARGS, NULL},
    {"decode_tpdu", decode_tpdu, METH_VARARGS, NULL},
    {"smpp_parts", smpp_parts, METH_VARARGS, NULL},
    {"smpp_payload", smpp_payload, METH_VARARGS, NULL},
    {"read_deliver_sm", read_deliver_sm, METH_VARARGS, NULL},
    {"join", join, METH_VARARGS, NULL},
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
    NAMED(SEPTCVT_BAD_TPDU), NAMED(SEPTCVT_UNSUPPORTED_TPDU),
}, constants[] = {
    NAMED(SEPTCVT_TO_UNICODE), NAMED(SEPTCVT_TO_GSM), NAMED(SEPTCVT_DCS_7BIT), NAMED(SEPTCVT_DCS_UCS2),
    NAMED(SEPTCVT_MOST_PARTS), NAMED(SEPTCVT_DELIVER), NAMED(SEPTCVT_SUBMIT), NAMED(SEPTCVT_STATUS_REPORT),
    NAMED(SEPTCVT_TO_NETWORK), NAMED(SEPTCVT_FROM_NETWORK), NAMED(SEPTCVT_VALIDITY_NONE),
    NAMED(SEPTCVT_VALIDITY_RELATIVE), NAMED(SEPTCVT_VALIDITY_ENHANCED), NAMED(SEPTCVT_VALIDITY_ABSOLUTE),
    NAMED(SEPTCVT_ENHANCED_NONE), NAMED(SEPTCVT_ENHANCED_RELATIVE), NAMED(SEPTCVT_ENHANCED_SECONDS),
    NAMED(SEPTCVT_ENHANCED_HMS), NAMED(SEPTCVT_ST_COMPLETED), NAMED(SEPTCVT_ST_TRYING), NAMED(SEPTCVT_ST_PERMANENT),
    NAMED(SEPTCVT_ST_NOT_TRYING), NAMED(SEPTCVT_SMSC_GSM), NAMED(SEPTCVT_SMSC_GSM_PACKED), NAMED(SEPTCVT_SMSC_LATIN1),
    NAMED(SEPTCVT_SMPP_UDH), NAMED(SEPTCVT_SMPP_SAR), NAMED(SEPTCVT_SMPP_GSM), NAMED(SEPTCVT_SMPP_ASCII),
    NAMED(SEPTCVT_SMPP_LATIN1), NAMED(SEPTCVT_SMPP_UCS2), NAMED(SEPTCVT_SMPP_OCTETS), NAMED(SEPTCVT_JOINED),
    NAMED(SEPTCVT_ALONE), NAMED(SEPTCVT_INCOMPLETE), NAMED(SEPTCVT_CONFLICT),
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
