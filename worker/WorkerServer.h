#pragma once

class MetadataService;

// Answers requests arriving on the descriptor until the other end closes it.
// Returns the process exit code.
int serveRequests(int fd, MetadataService& service);
