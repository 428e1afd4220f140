/* JSON Lines as every command writes them: one object a line, its keys the
 * C interface's field names, octets as uppercase hexadecimal strings, and
 * first a "version" key that says which form of the object this is. Keys
 * are only ever added. */
#ifndef SEPTSMS_JSON_LINES_H
#define SEPTSMS_JSON_LINES_H

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

using json = nlohmann::ordered_json;

/* An object with its version key, for the keys of a command to follow. */
json json_object();

/* A language's ISO 639-1 code, or null for the default tables. */
json language_json(int id);

/* The object on a line of its own. */
std::string json_line(const json &object);

/* The object of an input that was refused or not read: what went wrong
 * and, where it is not SEPTCVT_NO_OFFSET, the byte it went wrong at. */
std::string refusal_json(const std::string &why, uint64_t error_offset);

#endif
