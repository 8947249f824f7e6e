This is a CMS file. Do NOT edit!
Head     2.1;
Branch   ;
Access   ;
RevNames  ;
Locks    ;
CmsVersion 2;
Binary 0;


2.1
Date     2026.5.1.0.0.22;
  Author ann;
  State Exp;
Branches     
 ;
Next     1.1;

1.1
Date     2026.5.1.0.0.21;
  Author ann;
  State Exp;
Branches     
 ;
Next     ;


Description
@
@



2.1
Log
@Saved by ann  2026.5.1.0.0.22.
@
Text
@line one
line 2
line three
@


1.1
Log
@Initial revision
@
Text
@d2 2
a3 1
line two
@
