#include "lpstat_output.h"

#include <QRegularExpression>
#include <QString>

namespace {

bool WasPrinting(const QList<stJobState>& jobs, const QString& id)
{
    for (const stJobState& job : jobs)
        if (job.strJobId == id && job.iState == stJobState::Printing)
            return true;
    return false;
}

}  // namespace

bool ReportsPrinting(const QByteArray& output)
{
    const QString firstLine = QString::fromUtf8(output.left(output.indexOf('\n')));
    return firstLine.contains(QLatin1String("printing"), Qt::CaseInsensitive)
        || firstLine.contains(QStringLiteral("正在打印"), Qt::CaseInsensitive);
}

JobListing ReadJobListing(const QByteArray& output, const QList<stJobState>& previous)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    JobListing listing;
    stJobState current;
    bool processing = false;
    for (const QByteArray& bytes : output.split('\n')) {
        const QString line = QString::fromUtf8(bytes);
        if (!line.startsWith(QLatin1Char('\t'))) {
            const QStringList words = line.trimmed().split(blanks, Qt::SkipEmptyParts);
            if (words.size() >= 4) {
                current.strJobId = words.first();
                current.iState = stJobState::Listed;
                processing = false;
            }
            continue;
        }
        const QString text = line.trimmed();
        if (text.startsWith(QLatin1String("Alerts:")) || text.startsWith(QStringLiteral("警告"))) {
            if (text.contains(QLatin1String("none"))) {
                current.iState = stJobState::NoAlert;
            } else if (text.contains(QLatin1String("job-printing"))) {
                current.iState = stJobState::Printing;
                listing.printing.append(current);
            } else if (text.contains(QLatin1String("job-canceled-by-user"))) {
                current.iState = stJobState::CanceledByUser;
                if (WasPrinting(previous, current.strJobId))
                    listing.canceledWhilePrinting.append(current.strJobId);
            } else if (processing || (text.contains(QLatin1String("processing-to-stop-point"))
                                      && WasPrinting(previous, current.strJobId))) {
                // A printing job that CUPS is stopping (cancelled, its
                // backend not yet ended) still counts as printing.
                current.iState = stJobState::Printing;
                listing.printing.append(current);
            } else {
                current.iState = stJobState::OtherAlert;
            }
        } else if (text.startsWith(QLatin1String("Status:")) || text.startsWith(QStringLiteral("状态"))) {
            processing = processing || text.contains(QLatin1String("Processing"));
        }
    }
    return listing;
}
