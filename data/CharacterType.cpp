#include "data/CharacterType.h"

QStringList CharacterTypeExplanation(TCharacterType characterType, bool zeroIsPrimitive)
{
    QStringList lines;
    switch (characterType) {
        case TCharacterType::Standard:
            lines << QString()
                  << QStringLiteral(
                         "Character Type = \"Standard\" uses nominal data like \"0, 1\", \"red, "
                         "green, blue\"")
                  << QStringLiteral("  Letters with predefined meaning:");
            if (zeroIsPrimitive)
                lines << QStringLiteral("  \"0\" (zero): primitive state or character absent");
            lines << QStringLiteral("  \"?\": state unknown")
                  << QStringLiteral(
                         "  \"&\": seperates states if there are more than one per object and "
                         "character");
            break;
        case TCharacterType::Matroschka:
            lines << QString()
                  << QStringLiteral(
                         "Character Type = \"Matroschka\" uses pointer. The first letter or string "
                         "is a "
                         "derived state in relation to the one in brackets")
                  << QStringLiteral("  Letter with predefined meaning:")
                  << QStringLiteral(
                         "  \"?\" (question mark) or any string that includes \"?\": data missing");
            break;
        case TCharacterType::Tree:
            lines << QString()
                  << QStringLiteral(
                         "Character Type = \"Tree\" uses pointer. Each column codes a tree");
            break;
    }
    return lines;
}

std::optional<QStringList> ApplyCharacterType(TModel& model, const TCharacterTypeChoice& choice)
{
    if (!choice.Type) return std::nullopt;
    model.CharacterType = *choice.Type;
    return CharacterTypeExplanation(*choice.Type, choice.ZeroIsPrimitive);
}
