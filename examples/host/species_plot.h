/*
 * A line chart of concentrations over time as an SVG picture, written with
 * nothing but the C library: time on the horizontal axis, the concentration
 * on a logarithmic vertical axis, one coloured line and legend entry per
 * species.
 */
#ifndef SPECIES_PLOT_H
#define SPECIES_PLOT_H

/*
 * Writes the chart to `path`. times[p] is the time of point p (count
 * points); values[p * seriesCount + s] the value of series s at point p
 * (values of zero or below are left out of the line); labels[s] names
 * series s. Returns 0, or -1 when the file cannot be written.
 */
int writeSpeciesPlot(const char *path, const char *title, const char *timeLabel,
                     const double *times, int count, const double *values, int seriesCount,
                     const char *const *labels);

#endif /* SPECIES_PLOT_H */
