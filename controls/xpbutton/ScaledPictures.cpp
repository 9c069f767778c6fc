#include "ScaledPictures.h"

#include <algorithm>

platform::Surface &ScaledPictures::get(const platform::Picture &picture, const Key &key,
                                       const std::function<platform::Surface()> &make)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry &entry) {
        return entry.picture == picture && entry.key == key;
    });
    if (found != m_entries.end()) {
        std::rotate(found, found + 1, m_entries.end());
        return m_entries.back().scaled;
    }
    if (m_entries.size() >= kKept)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(Entry{picture, key, make()});
    return m_entries.back().scaled;
}

void ScaledPictures::keepOnly(std::initializer_list<const platform::Picture *> pictures)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [&](const Entry &entry) {
                                       return std::none_of(pictures.begin(), pictures.end(),
                                                           [&](const platform::Picture *picture) {
                                                               return *picture == entry.picture;
                                                           });
                                   }),
                    m_entries.end());
}
