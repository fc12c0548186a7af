#include "text/NamesCharset.h"

#include "db/Queries.h"

namespace korvex {

CharsetChoice NamesCharset(const std::optional<std::string>& given, const ChannelDatabase& db)
{
    if (given)
        return {NameCharset(*given), CharsetSource::Given};
    return DefaultNameCharset(RecordNames(db), LocaleCharset());
}

} // namespace korvex
