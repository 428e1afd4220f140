/* Plans the UTF-8 text on standard input as SMS and prints the plan, the
 * characters that ruled out the 7-bit encodings and those replaced, and each
 * part's user data in hexadecimal.
 *
 *   plan [-l LANGUAGES] [-s LANGUAGES] [-r] [-16] [-n REFERENCE] < text
 *
 * -l and -s allow the locking and single shift tables of the languages
 * named by their ids (a comma-separated list, such as 1,3 for Turkish and
 * Portuguese); -r allows look-alikes to be replaced; -16 asks for a 16-bit
 * concatenation reference, and -n gives the reference (0 by default). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <septcvt.h>

static int languages(const char *list, uint16_t *mask)
{
    char *end;
    do {
        long id = strtol(list, &end, 10);
        if (end == list || id < 1 || id > 13)
            return 0;
        *mask = (uint16_t)(*mask | 1u << id);
        list = end + 1;
    } while (*end == ',');
    return *end == '\0';
}

/* Each character that no allowed table holds, and each look-alike that
 * went out replaced, a line each where there are any. */
static int explain(const char *text, size_t len, const septcvt_plan_options *options, const septcvt_plan *plan)
{
    septcvt_char ruled[16];
    septcvt_replacement replaced[16];
    size_t n = 0;
    int status = septcvt_plan_ruled_out(SEPTCVT_UTF8, text, len, options, ruled, 16, &n, NULL);
    if (status != SEPTCVT_OK && status != SEPTCVT_NO_ROOM)
        return status;
    for (size_t i = 0; i < n && i < 16; ++i)
        printf("%s U+%04lX at byte %llu", i == 0 ? "no table holds:" : ",", (unsigned long)ruled[i].code_point,
               (unsigned long long)ruled[i].offset);
    if (n > 0)
        printf(n > 16 ? " and %zu more\n" : "\n", n - 16);
    status = septcvt_plan_replaced(text, len, plan, replaced, 16, &n);
    if (status != SEPTCVT_OK && status != SEPTCVT_NO_ROOM)
        return status;
    for (size_t i = 0; i < n && i < 16; ++i) {
        printf("%s U+%04lX at byte %llu to \"", i == 0 ? "replaced:" : ",", (unsigned long)replaced[i].original.code_point,
               (unsigned long long)replaced[i].original.offset);
        for (size_t k = 0; k < replaced[i].became_count; ++k)
            printf("%c", (char)replaced[i].became[k]); /* the plain forms are ASCII */
        printf("\"");
    }
    if (n > 0)
        printf(n > 16 ? " and %zu more\n" : "\n", n - 16);
    return SEPTCVT_OK;
}

int main(int argc, char **argv)
{
    septcvt_plan_options options;
    unsigned long reference = 0;
    memset(&options, 0, sizeof options);
    for (int i = 1; i < argc; ++i) {
        int ok = 1;
        if (strcmp(argv[i], "-l") == 0 && i + 1 < argc)
            ok = languages(argv[++i], &options.locking_languages);
        else if (strcmp(argv[i], "-s") == 0 && i + 1 < argc)
            ok = languages(argv[++i], &options.single_languages);
        else if (strcmp(argv[i], "-r") == 0)
            options.replace_lookalikes = 1;
        else if (strcmp(argv[i], "-16") == 0)
            options.reference_bits = 16;
        else if (strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
            char *end;
            reference = strtoul(argv[++i], &end, 10);
            ok = *argv[i] != '\0' && *end == '\0' && reference <= 0xFFFF;
        }
        else
            ok = 0;
        if (!ok) {
            fprintf(stderr, "usage: %s [-l LANGUAGES] [-s LANGUAGES] [-r] [-16] [-n REFERENCE] < text\n", argv[0]);
            return 2;
        }
    }

    size_t len = 0, size = 4096;
    char *text = malloc(size);
    for (size_t got; text != NULL && (got = fread(text + len, 1, size - len, stdin)) > 0;) {
        len += got;
        if (len == size) {
            char *more = realloc(text, size *= 2);
            if (more == NULL)
                free(text);
            text = more;
        }
    }
    if (text == NULL || ferror(stdin)) {
        fprintf(stderr, "plan: cannot read the text\n");
        return 1;
    }

    septcvt_plan plan;
    uint64_t offset;
    int status = septcvt_plan_text(SEPTCVT_UTF8, text, len, &options, &plan, NULL, 0, &offset);
    septcvt_part *parts = NULL;
    if (status == SEPTCVT_NO_ROOM && plan.parts > 0) {
        parts = malloc(plan.parts * sizeof *parts);
        status = parts == NULL ? SEPTCVT_NO_ROOM
                               : septcvt_plan_text(SEPTCVT_UTF8, text, len, &options, &plan, parts, plan.parts, &offset);
    }
    if (status == SEPTCVT_TOO_MANY_PARTS)
        fprintf(stderr, "plan: %s (%zu)\n", septcvt_strerror(status), plan.parts);
    else if (status == SEPTCVT_MALFORMED)
        fprintf(stderr, "plan: %s at byte %llu\n", septcvt_strerror(status), (unsigned long long)offset);
    else if (status != SEPTCVT_OK)
        fprintf(stderr, "plan: %s\n", septcvt_strerror(status));
    if (status != SEPTCVT_OK)
        return 1;

    if (plan.dcs == SEPTCVT_DCS_UCS2)
        printf("UCS-2");
    else
        printf("7-bit, locking table %d, single shift table %d", plan.locking, plan.single);
    printf(", %zu part(s), %zu left in the last", plan.parts, plan.room_left);
    if (plan.replaced > 0)
        printf(", %zu look-alike(s) replaced", plan.replaced);
    if (plan.ran_out != SEPTCVT_NO_OFFSET)
        printf(", 7-bit ran out at byte %llu", (unsigned long long)plan.ran_out);
    printf("\n");
    if (explain(text, len, &options, &plan) != SEPTCVT_OK) {
        fprintf(stderr, "plan: cannot say why\n");
        return 1;
    }
    for (size_t k = 0; k < plan.parts; ++k) {
        septcvt_user_data ud;
        status = septcvt_part_user_data(text, len, &options, &plan, parts, k, (unsigned)reference, &ud);
        if (status != SEPTCVT_OK) {
            fprintf(stderr, "plan: part %zu: %s\n", k + 1, septcvt_strerror(status));
            return 1;
        }
        printf("part %zu: bytes %zu-%zu, DCS %02X, UDHI %d, UDL %d:", k + 1, parts[k].begin, parts[k].end, ud.dcs,
               ud.udhi, ud.udl);
        for (size_t i = 0; i < ud.length; ++i)
            printf(" %02X", ud.ud[i]);
        printf("\n");
    }
    free(parts);
    free(text);
    return 0;
}
