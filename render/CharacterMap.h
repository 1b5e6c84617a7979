#pragma once

#include <QHash>
#include <QtGlobal>

#include <vector>

// Something worked out once for each character a drawing meets (its tile, its shape, its bits):
// looked up by index below LowCharacters, where the code pages' characters and the box, block
// and shade ranges lie and so nearly all of a document's, and hashed above it. None is the
// value of a character not worked out yet. Asked for every cell drawn, so the index path is
// kept to a compare and a load.
template <typename Value, Value None = Value(-1)> class CharacterMap {
public:
    static constexpr char32_t LowCharacters = 0x2600;

    // The character's value, made by make() the first time it is asked for.
    template <typename Make> Value get(char32_t c, Make&& make) {
        if (c < LowCharacters) {
            const Value known = m_low[c];
            if (known != None) [[likely]]
                return known;
        }
        return made(c, make);
    }

private:
    // Out of the drawing loops: a character is new only once.
    template <typename Make> Q_NEVER_INLINE Value made(char32_t c, Make& make) {
        if (c >= LowCharacters)
            if (const auto found = m_others.constFind(c); found != m_others.constEnd())
                return *found;
        const Value value = make();
        if (c < LowCharacters)
            m_low[c] = value;
        else
            m_others.insert(c, value);
        return value;
    }

    std::vector<Value> m_low = std::vector<Value>(LowCharacters, None);
    QHash<char32_t, Value> m_others;
};
