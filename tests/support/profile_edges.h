// What the profile functions read at the edges of an INI file's text: quotes,
// the case of names, blanks around names and values, repeated keys and
// sections. One table for both platforms: the portable functions are tested
// against it, and on Windows (under Wine) so are the system's own, so that the
// two cannot drift apart.
#pragma once

struct ProfileEdge {
    const char* what;
    const char* file;     // the whole file
    const char* section;  // as the caller names them
    const char* key;
    const char* value;  // what the read gives; nullptr: the caller's default
};

// Every ASCII letter, in both cases.
#define NUVEX_UPPER "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
#define NUVEX_LOWER "abcdefghijklmnopqrstuvwxyz"

inline constexpr ProfileEdge profile_edges[] = {
    // Quotes: one matching pair around the whole value goes, anything else stays.
    {"empty quotes", "[S]\r\nk=\"\"\r\n", "S", "k", ""},
    {"empty single quotes", "[S]\r\nk=''\r\n", "S", "k", ""},
    {"a lone quote", "[S]\r\nk=\"\r\n", "S", "k", "\""},
    {"a lone single quote", "[S]\r\nk='\r\n", "S", "k", "'"},
    {"mismatched quotes", "[S]\r\nk=\"abc'\r\n", "S", "k", "\"abc'"},
    {"an opening quote only", "[S]\r\nk=\"abc\r\n", "S", "k", "\"abc"},
    {"a closing quote only", "[S]\r\nk=abc\"\r\n", "S", "k", "abc\""},
    {"single quotes", "[S]\r\nk='abc'\r\n", "S", "k", "abc"},
    {"quotes inside", "[S]\r\nk=\"a\"b\"\r\n", "S", "k", "a\"b"},
    {"blanks kept inside quotes", "[S]\r\nk= \" a b \" \r\n", "S", "k", " a b "},
    {"quotes around a name are part of it", "[S]\r\n\"k\"=1\r\n", "S", "k", nullptr},
    // Names match whatever the case of any ASCII letter; values keep theirs.
    {"sections and keys read in lower case",
     "[" NUVEX_UPPER "]\r\n" NUVEX_UPPER "=" NUVEX_UPPER "\r\n", NUVEX_LOWER, NUVEX_LOWER,
     NUVEX_UPPER},
    {"sections and keys read in upper case",
     "[" NUVEX_LOWER "]\r\n" NUVEX_LOWER "=" NUVEX_LOWER "\r\n", NUVEX_UPPER, NUVEX_UPPER,
     NUVEX_LOWER},
    // Only letters fold: the characters next to them in ASCII stay apart.
    {"@ is not `", "[S]\r\nk@=1\r\n", "S", "k`", nullptr},
    {"[ is not {", "[S]\r\nk[=1\r\n", "S", "k{", nullptr},
    {"^ is not ~", "[S]\r\nk^=1\r\n", "S", "k~", nullptr},
    {"_ is not DEL", "[S]\r\nk_=1\r\n", "S", "k\x7f", nullptr},
    // Blanks and tabs around names and values are not part of them; inside they are.
    {"blanks around a key and its value", "[S]\r\n  k  =  v  \r\n", "S", "k", "v"},
    {"tabs around a key and its value", "[S]\r\n\tk\t=\tv\t\r\n", "S", "k", "v"},
    {"blanks inside a value", "[S]\r\nk=a  b\r\n", "S", "k", "a  b"},
    {"blanks inside a key", "[S]\r\nmy key=1\r\n", "S", "my key", "1"},
    {"blanks around a section", "  [S]  \r\nk=1\r\n", "S", "k", "1"},
    {"blanks inside a section's brackets", "[ \tS\t ]\r\nk=1\r\n", "S", "k", "1"},
    {"blanks inside a section name", "[my S]\r\nk=1\r\n", "my S", "k", "1"},
    {"a value of blanks", "[S]\r\nk=   \r\n", "S", "k", ""},
    {"no value", "[S]\r\nk=\r\n", "S", "k", ""},
    {"no equals sign", "[S]\r\nk\r\n", "S", "k", nullptr},
    // The first of repeated keys and sections holds.
    {"a repeated key", "[S]\r\nk=first\r\nk=second\r\n", "S", "k", "first"},
    {"a repeated key in another case", "[S]\r\nK=first\r\nk=second\r\n", "S", "k", "first"},
    {"a repeated section", "[S]\r\nk=1\r\n[T]\r\nk=2\r\n[S]\r\nk=3\r\n", "S", "k", "1"},
    {"a key of a repeated section's second part", "[S]\r\nk=1\r\n[s]\r\nj=2\r\n", "S", "j",
     nullptr},
    {"a key of another section", "[S]\r\nk=1\r\n[T]\r\nj=2\r\n", "S", "j", nullptr},
    // A semicolon starts no comment of its own: it is part of the key.
    {"a key after a semicolon", "[S]\r\n;k=1\r\n", "S", "k", nullptr},
};

#undef NUVEX_UPPER
#undef NUVEX_LOWER
