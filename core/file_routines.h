#pragma once

#include <cstdint>
#include <string>

#include "core/app_context.h"

namespace sonaflux {

// The file routines every stage uses. Positions are 1-based and move by the
// count asked for, whatever the file delivered. They read and write through
// the file's buffer: a stage flushes what it wrote before it ends.

void pumpMessages(AppContext& ctx);

/// Reads one byte; 0 when nothing could be read. The position goes up by 1.
void readByte(File& file, std::int64_t& position, std::uint8_t& byte);

/// Reads count bytes. Returns the number of bytes actually read; the read
/// failed when that is 0 or less. The position goes up by count.
std::int64_t readBlock(File& file, std::int64_t& position, void* buffer, std::int64_t count);

/// Reads count bytes of a file the job wrote itself, where fewer bytes mean
/// the file was cut or could not be read: shows "Error: Cannot read file.",
/// fails the job and returns false. The position goes up by count.
bool readBlockFully(AppContext& ctx, File& file, std::int64_t& position, void* buffer, std::int64_t count);

/// Writes count bytes; a failed or short write shows "Error: Cannot write
/// file." and fails the job. The position goes up by count.
void writeBlock(AppContext& ctx, File& file, std::int64_t& position, const void* buffer, std::int64_t count);

/// Writes out what writeBlock held back; a failure shows "Error: Cannot
/// write file." and fails the job, unless the job failed already.
void flushFile(AppContext& ctx, File& file);

/// Moves the file pointer to byte offset position - 1.
void seekTo(File& file, std::int64_t position);

void closeFile(File& file);

/// Deletes the file by name while it is still open, closes it, then pumps;
/// failures are not reported.
void closeAndDelete(AppContext& ctx, const std::string& name, File& file);

/// pos * 100 / end in floating point, truncated, kept within 0..100.
int percentDone(std::int64_t pos, std::int64_t end);

inline constexpr int kProgressFull = 101;

}  // namespace sonaflux
