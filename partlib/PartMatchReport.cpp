// SPDX-License-Identifier: MIT
#include "PartMatchReport.h"

#include "CPartLibrary.h"

#include <QJsonArray>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace PartMatchReport {

namespace {

QString Name(const CPartLibrary &library, int part)
{
    return library.Parts().at(std::size_t(part)).file.GetName();
}

} // namespace

QString Line(const CPartLibrary &library, const SPartMatch &match)
{
    if (match.candidates.empty())
        return u"no library part"_s;
    QStringList groups;
    for (const EPartGrade grade :
         {EPartGrade::Confirmed, EPartGrade::Probable, EPartGrade::Likely}) {
        QStringList names;
        for (const SGradedPart &graded : match.ranking) {
            if (graded.grade != grade)
                continue;
            if (graded.part == match.identified)
                groups.append(u"%1 (identified, confirmed)"_s.arg(Name(library, graded.part)));
            else
                names.append(Name(library, graded.part));
        }
        if (!names.isEmpty())
            groups.append(u"%1 (%2)"_s.arg(names.join(u", "_s), PartIdentify::GradeName(grade)));
    }
    const std::size_t count = match.candidates.size();
    groups.append(count == 1 ? u"1 candidate"_s : u"%1 candidates"_s.arg(count));
    for (const QString &reason : match.notIdentified)
        groups.append(u"not identified: "_s + reason);
    return groups.join(u"; "_s);
}

QJsonObject Fields(const CPartLibrary &library, const SPartMatch &match)
{
    QJsonObject json;
    QStringList candidates;
    for (const int part : match.candidates)
        candidates.append(Name(library, part));
    json.insert(u"candidates"_s, QJsonArray::fromStringList(candidates));
    json.insert(u"candidateCount"_s, qint64(match.candidates.size()));
    json.insert(u"identified"_s, match.identified >= 0 ? QJsonValue(Name(library, match.identified))
                                                       : QJsonValue(QJsonValue::Null));
    QJsonArray ranking;
    for (const SGradedPart &graded : match.ranking) {
        QJsonObject entry;
        entry.insert(u"name"_s, Name(library, graded.part));
        entry.insert(u"grade"_s, PartIdentify::GradeName(graded.grade));
        entry.insert(u"comparedBits"_s, graded.comparedBits);
        ranking.append(entry);
    }
    json.insert(u"ranking"_s, ranking);
    json.insert(u"notIdentified"_s, QJsonArray::fromStringList(match.notIdentified));
    json.insert(u"anyByteAllowed"_s, match.anyByteAllowed);
    return json;
}

} // namespace PartMatchReport
