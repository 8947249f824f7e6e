This is a CMS file. Do NOT edit!
Head     1.2;
Branch   ;
Access   ;
RevNames  ;
Locks    ;
CmsVersion 2;
Binary 0;


1.2
Date     2026.5.1.0.0.2;
  Author ann;
  State Exp;
Branches     
 ;
Next     1.1;

1.1
Date     2026.5.1.0.0.1;
  Author ann;
  State Exp;
Branches     
 ;
Next     ;


Description
@
@



1.2
Log
@no final newline
@
Text
@int main(void)
{
    /* mail ann@@example */
    return 1;
}
@


1.1
Log
@Initial revision
@
Text
@d3 2
a4 1
    return 0;
@
