#include "species_plot.h"

#include <math.h>
#include <stdio.h>

enum { WIDTH = 900, HEIGHT = 520, LEFT = 80, RIGHT = 190, TOP = 50, BOTTOM = 60 };

static const char *const colours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                      "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
enum { COLOUR_COUNT = sizeof(colours) / sizeof(colours[0]) };

/* Where a time and a decade (log10 of a value) go in the picture. */
typedef struct {
  double t0, t1, d0, d1;
} Frame;

static double xOf(const Frame *f, double t) {
  return LEFT + (t - f->t0) / (f->t1 - f->t0) * (WIDTH - LEFT - RIGHT);
}

static double yOf(const Frame *f, double decade) {
  return HEIGHT - BOTTOM - (decade - f->d0) / (f->d1 - f->d0) * (HEIGHT - TOP - BOTTOM);
}

/* A step of 1, 2 or 5 times a power of ten giving at most eight ticks. */
static double tickStep(double range) {
  static const double multiples[] = {0.1, 0.2, 0.5, 1.0, 2.0, 5.0};
  const double power = pow(10.0, floor(log10(range)));
  size_t k;
  for (k = 0; k < sizeof(multiples) / sizeof(multiples[0]); ++k) {
    if (range / (power * multiples[k]) <= 8.0) {
      return power * multiples[k];
    }
  }
  return power * 10.0;
}

static void axes(FILE *out, const Frame *f, const char *timeLabel) {
  double t, d;
  const double step = tickStep(f->t1 - f->t0);
  fprintf(out, "<g stroke=\"#dddddd\" stroke-width=\"1\">\n");
  for (d = f->d0; d <= f->d1; d += 1.0) {
    fprintf(out, "<line x1=\"%d\" y1=\"%.1f\" x2=\"%d\" y2=\"%.1f\"/>\n", LEFT, yOf(f, d),
            WIDTH - RIGHT, yOf(f, d));
  }
  for (t = ceil(f->t0 / step) * step; t <= f->t1; t += step) {
    fprintf(out, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>\n", xOf(f, t), TOP,
            xOf(f, t), HEIGHT - BOTTOM);
  }
  fprintf(out, "</g>\n<g font-family=\"sans-serif\" font-size=\"12\" fill=\"#333333\">\n");
  for (d = f->d0; d <= f->d1; d += 1.0) {
    fprintf(out, "<text x=\"%d\" y=\"%.1f\" text-anchor=\"end\">1e%d</text>\n", LEFT - 6,
            yOf(f, d) + 4.0, (int)d);
  }
  for (t = ceil(f->t0 / step) * step; t <= f->t1; t += step) {
    fprintf(out, "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%g</text>\n", xOf(f, t),
            HEIGHT - BOTTOM + 18, t);
  }
  fprintf(out, "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\">%s</text>\n",
          (LEFT + WIDTH - RIGHT) / 2, HEIGHT - 15, timeLabel);
  fprintf(out, "<text x=\"20\" y=\"%d\" text-anchor=\"middle\" transform=\"rotate(-90 20 %d)\">"
               "concentration</text>\n</g>\n",
          (TOP + HEIGHT - BOTTOM) / 2, (TOP + HEIGHT - BOTTOM) / 2);
  fprintf(out, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" "
               "stroke=\"#333333\"/>\n",
          LEFT, TOP, WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM);
}

/* One series as polylines, broken where a value is not positive. */
static void series(FILE *out, const Frame *f, const double *times, int count,
                   const double *values, int seriesCount, int s) {
  int p, open = 0;
  for (p = 0; p < count; ++p) {
    const double v = values[p * seriesCount + s];
    if (!(v > 0.0)) {
      if (open) {
        fprintf(out, "\"/>\n");
        open = 0;
      }
      continue;
    }
    if (!open) {
      fprintf(out, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\" points=\"",
              colours[s % COLOUR_COUNT]);
      open = 1;
    }
    fprintf(out, "%.1f,%.1f ", xOf(f, times[p]), yOf(f, log10(v)));
  }
  if (open) {
    fprintf(out, "\"/>\n");
  }
}

int writeSpeciesPlot(const char *path, const char *title, const char *timeLabel,
                     const double *times, int count, const double *values, int seriesCount,
                     const char *const *labels) {
  Frame f = {times[0], times[count - 1], 0.0, 0.0};
  double low = HUGE_VAL, high = -HUGE_VAL;
  int p, s, failed;
  FILE *out = fopen(path, "w");
  if (out == NULL) {
    return -1;
  }
  for (p = 0; p < count * seriesCount; ++p) {
    if (values[p] > 0.0) {
      low = fmin(low, log10(values[p]));
      high = fmax(high, log10(values[p]));
    }
  }
  f.d0 = low <= high ? floor(low) : 0.0;
  f.d1 = low <= high ? ceil(high) : 1.0;
  if (f.d1 <= f.d0) {
    f.d1 = f.d0 + 1.0;
  }
  if (f.t1 <= f.t0) {
    f.t1 = f.t0 + 1.0;
  }
  fprintf(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
               "viewBox=\"0 0 %d %d\">\n",
          WIDTH, HEIGHT, WIDTH, HEIGHT);
  fprintf(out, "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n");
  fprintf(out, "<text x=\"%d\" y=\"30\" font-family=\"sans-serif\" font-size=\"16\" "
               "text-anchor=\"middle\">%s</text>\n",
          (LEFT + WIDTH - RIGHT) / 2, title);
  axes(out, &f, timeLabel);
  for (s = 0; s < seriesCount; ++s) {
    series(out, &f, times, count, values, seriesCount, s);
    fprintf(out, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\" "
                 "stroke-width=\"2\"/>\n",
            WIDTH - RIGHT + 15, TOP + 10 + 20 * s, WIDTH - RIGHT + 40, TOP + 10 + 20 * s,
            colours[s % COLOUR_COUNT]);
    fprintf(out, "<text x=\"%d\" y=\"%d\" font-family=\"sans-serif\" font-size=\"12\">%s</text>\n",
            WIDTH - RIGHT + 46, TOP + 14 + 20 * s, labels[s]);
  }
  fprintf(out, "</svg>\n");
  failed = ferror(out);
  return fclose(out) != 0 || failed ? -1 : 0;
}
