#include "MetafileRecords.h"

#include "Cp932Characters.h"

namespace qm {

std::vector<TTextCharacter> Cp932TextCharacters(std::string_view text, std::span<const double> byteAdvances)
{
    std::vector<TTextCharacter> characters;
    std::size_t index = 0;
    ForEachCp932Character(text, [&](std::string_view one) {
        TTextCharacter character{std::string(one), std::nullopt};
        if (index + one.size() <= byteAdvances.size()) {
            double advance = 0;
            for (std::size_t k = index; k < index + one.size(); ++k)
                advance += byteAdvances[k];
            character.Advance = advance;
        }
        index += one.size();
        characters.push_back(std::move(character));
    });
    return characters;
}

} // namespace qm
