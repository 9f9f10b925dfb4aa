#pragma once

// `view` without the characters at either end for which `isTrimmed` holds;
// for QStringView and QByteArrayView alike.
template <typename View, typename Predicate> View trimmedView(View view, Predicate isTrimmed)
{
    decltype(view.size()) begin = 0;
    auto end = view.size();
    while (begin < end && isTrimmed(view[begin]))
        ++begin;
    while (end > begin && isTrimmed(view[end - 1]))
        --end;
    return view.sliced(begin, end - begin);
}

// Spaces and tabs.
template <typename Char> bool isBlank(Char c)
{
    return c == ' ' || c == '\t';
}
