// The reader of the embedded resources on any bytes: a compiled resource
// file, a dialog template or an icon image. Nothing may be read outside the
// input, and what is read must describe itself consistently.
//
// Input: one byte choosing what the rest is (resource file, dialog template,
// icon image), then the bytes.
#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "platform/portable/resources/resources.h"

namespace {

bool inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

void check_dialog(std::string_view data) {
    const auto dialog = parse_dialog_template(data);
    if (!dialog) return;
    for (const ControlTemplate& control : dialog->controls) {
        FUZZ_CHECK(control.creationData.size() <= data.size());
    }
}

void check_icon(std::string_view data) {
    const auto icon = decode_icon_image(data);
    if (!icon) return;
    FUZZ_CHECK(icon->width > 0 && icon->width <= 256);
    FUZZ_CHECK(icon->height > 0 && icon->height <= 256);
    FUZZ_CHECK(icon->bits == 8 || icon->bits == 24 || icon->bits == 32);
    FUZZ_CHECK(icon->pixels.size() == static_cast<std::size_t>(icon->width) * icon->height);
}

void check_resource_file(std::string_view image) {
    const std::vector<ResourceEntry> entries = parse_resource_file(image);
    for (const ResourceEntry& entry : entries) {
        FUZZ_CHECK(inside(entry.data, image));
        if (!entry.type.is_ordinal) continue;
        switch (entry.type.ordinal) {
            case resource_type_dialog:
                check_dialog(entry.data);
                break;
            case resource_type_icon:
                check_icon(entry.data);
                break;
            case resource_type_string:
                // Every string the block could hold. The lookup may take it
                // from another block of the same number (another language, or
                // a repeated entry), so a string must fit in the largest one.
                if (entry.name.is_ordinal && entry.name.ordinal > 0) {
                    std::size_t largest = 0;
                    for (const ResourceEntry& other : entries) {
                        if (other.type.is_ordinal && other.type.ordinal == resource_type_string &&
                            other.name.is_ordinal && other.name.ordinal == entry.name.ordinal) {
                            largest = std::max(largest, other.data.size());
                        }
                    }
                    const UINT first = (entry.name.ordinal - 1u) * 16u;
                    for (UINT id = first; id < first + 16; ++id) {
                        const auto text = find_string(entries, id);
                        FUZZ_CHECK(!text || (!text->empty() && text->size() * 2 <= largest));
                    }
                }
                break;
            default:
                break;
        }
        FUZZ_CHECK(find_resource(entries, entry.type.ordinal, entry.name) != nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
        case 0:
            check_resource_file(body);
            break;
        case 1:
            check_dialog(body);
            break;
        default:
            check_icon(body);
            break;
    }
    // A resource named by text: "#" and a number, or a name.
    ResourceId::from(body.c_str());
    return 0;
}
