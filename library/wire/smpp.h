/* What the reader of a deliver_sm's fields and the joiner share: the
 * message taken apart by its data_coding, header and SAR values. */
#ifndef SEPTCVT_SMPP_H
#define SEPTCVT_SMPP_H

#include <cstddef>
#include <cstdint>

#include "septcvt.h"

struct smpp_message {
    int alphabet;       /* SEPTCVT_SMPP_... */
    bool packed;        /* the default alphabet packed behind the header's fill bits, as in TP-UD */
    int has_class, message_class;
    size_t header;      /* octets of the header, its length octet included */
    septcvt_received numbers; /* the header's concatenation numbers and language ids */
    int reference_bits;  /* of the header's concatenation element: 8 or 16 */
    const uint8_t *body; /* what follows the header */
    size_t body_len;
};

/* Takes message[0..length) apart, refusing what septcvt_smpp_read refuses
 * as SEPTCVT_BAD_TPDU with its fault; the SAR values placed where the header
 * does not place the message. */
int take_smpp(const uint8_t *message, size_t length, int payload, int esm_class, int data_coding,
              const septcvt_smpp_sar *sar, const septcvt_smpp_settings &settings, smpp_message &m,
              septcvt_tpdu_fault *fault);

/* The septets of a message in the default alphabet, from its text's
 * septet `from` on, into out[0..size): a septet an octet, or unpacked from
 * behind the header's fill bits. Returns how many it wrote. */
size_t smpp_septets(const uint8_t *message, size_t length, const smpp_message &m, size_t from, uint8_t *out,
                    size_t size);
/* How many septets its text has (packed, a carriage return that fills the
 * last octet is padding). */
size_t smpp_septet_count(const uint8_t *message, size_t length, const smpp_message &m);

#endif
