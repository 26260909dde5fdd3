// Package layout (filled in by the package builder work).
