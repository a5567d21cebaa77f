#pragma once

#include <QString>
#include <QStringList>

// Value tables of the lists that the main window fills itself; the other
// lists come from the form.
namespace parameters {

constexpr int kThresholds[14] = {6, 9, 13, 18, 25, 35, 50, 70, 100, 140, 200, 280, 400, 560};
constexpr int kCutThresholds[14] = {6, 9, 13, 18, 25, 35, 50, 70, 100, 140, 200, 280, 400, 560};
constexpr double kRejections[17] = {0.0, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.2,
                                    2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.2, 4.5};
constexpr int kCutTimes[8] = {1, 2, 3, 5, 7, 9, 12, 15};

// Item texts: integers in decimal, rejections in the shortest general form of
// 6 significant digits with a point ("1", "2.7").
QStringList threshold_texts();
QStringList cut_threshold_texts();
QStringList rejection_texts();
QStringList cut_time_texts();

}  // namespace parameters
