/* The prototypes that no generated file gives. */
#ifdef GLUE_ASM
void LoadTim(char *tim);
#else
void LoadTim(unsigned long addr);
#endif
void LoadTims(void);
