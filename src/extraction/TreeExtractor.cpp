#include <angiolith/extraction/TreeExtractor.h>

TreeExtractor::~TreeExtractor() = default;
