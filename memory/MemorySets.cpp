#include "memory/MemorySets.h"

namespace dewscope {

int MemorySets::recordCount(int number) const
{
    if (number == setCount && number != 1)
        return slotCount - (setCount - 1) * (setRecordCount + 1) - 1;
    return setRecordCount;
}

qint64 MemorySets::firstRecordOffset(int number) const
{
    return 11 + 4 * qint64(setRecordCount + 1) * (number - 1);
}

int MemorySets::wholeSets(qint64 imageSize) const
{
    int whole = 0;
    while (whole < setCount
           && firstRecordOffset(whole + 1) + 4 * qint64(qMax(0, recordCount(whole + 1)))
               <= imageSize)
        ++whole;
    return whole;
}

} // namespace dewscope
