#pragma once

// JSON text for other tools: a small writer that keeps the commas, nesting
// and escapes right, and the document tavrilo-calc --json prints.

#include "calc/cutlist.h"
#include "calc/mesh.h"
#include "calc/weight.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

// Builds one JSON value, indented by two blanks a level. Strings are UTF-8;
// quotes, backslashes, control characters and the line separators U+2028 and
// U+2029 are escaped. Doubles are written in their shortest round-trip form;
// infinities and NaN, which JSON cannot hold, as null.
class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key); // inside an object, before each value
    JsonWriter& String(std::string_view value);
    JsonWriter& Number(double value);
    JsonWriter& Integer(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // The text written so far, with a final line feed once the value is closed.
    std::string Text() const;

private:
    void BeforeValue();
    void NewLine();
    void Close(char bracket);

    std::string text_;
    std::vector<bool> hasItems_; // one entry for each open object or array
    bool afterKey_ = false;
};

// `text` as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// The document of one calculation: the inputs, the total, the intermediate
// values, and the cut list and the mass when given.
std::string MeshResultJson(const MeshInputs& inputs, Arrangement arrangement,
                           const MeshLength& mesh, const CutList* cutList, const BarMass* mass);

} // namespace tavrilo
