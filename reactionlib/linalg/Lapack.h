// The one LAPACK routine the library uses: dgesv, the general dense solver
// (LU factorisation with partial pivoting, then substitution). All arguments
// are passed by address; ipiv receives 1-based row interchanges in the same
// sequential form that luDecompose writes to pivotIndex.
#pragma once

extern "C" void dgesv_(const int *n, const int *nrhs, double *a, const int *lda, int *ipiv,
                       double *b, const int *ldb, int *info);
